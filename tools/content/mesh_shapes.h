// The show's modelled shapes, built as indexed triangle lists ready to be
// written as OBJ: the two sphere halves, the tunnel ring and the torus knots.
// Sizes are chosen for where the scenes place them (2 units away for the
// sphere, a tunnel of rings one unit apart, knots 5 units away).
#pragma once

#include <vector>

// One corner of a shape: position, texture coordinate and normal. Corners
// are shared by the triangles that index them.
struct ShapeVertex {
    float x, y, z;
    float u, v;
    float nx, ny, nz;
};

// A triangle list: every three indices (0-based into vertices) one triangle.
struct ShapeMesh {
    std::vector<ShapeVertex> vertices;
    std::vector<int> indices;
};

// The windings of a torus knot and the proportions of its tube.
struct KnotShape {
    int p, q;            // turns around the axis, turns through the hole
    float coreRadius;    // distance of the tube's middle line from the axis
    float swingRadius;   // how far the line swings around the core circle
    float tubeRadius;    // thickness of the tube
    int segmentsAlong;   // rings of the tube along the line
    int segmentsAround;  // corners of each ring
};

// The upper (y >= 0) or lower (y <= 0) half of a sphere about the origin,
// closed by a flat disc at y = 0. 2 * rings * segments triangles.
ShapeMesh BuildSphereHalf(float radius, bool upper, int segments, int rings);

// One ring of the star tunnel: a band around the y axis between an inner edge
// with rounded teeth and a round outer edge, with the given height along y.
// Its teeth show the ring's turn. Only the faces a viewer on the axis on the
// +y side can see are built: the +y face and the inner wall. The back face
// and the outer wall always lie behind the front face there, and each would
// cost the rasteriser as much as a visible one. 4 * segments triangles.
ShapeMesh BuildTunnelRing(float innerRadius, float outerRadius, float toothDepth,
                          int teeth, float height, int segments);

// A tube along the torus knot described by shape, centred on the origin.
// 2 * segmentsAlong * segmentsAround triangles.
ShapeMesh BuildTorusKnot(const KnotShape& shape);

// Largest distance of any vertex from the origin.
float MeasureShapeRadius(const ShapeMesh& mesh);

// Builds the show's shapes as triangle lists (see mesh_shapes.h). Every
// shape is made from rows of corners with a duplicated seam column, so each
// corner has one texture coordinate: u runs around, v runs across.
#include "tools/content/mesh_shapes.h"

#include <cassert>
#include <cmath>

static const double PI = 3.14159265358979323846;

// Appends one corner to the mesh and returns its index.
static int AddVertex(ShapeMesh* mesh, double x, double y, double z, double u, double v,
                     double nx, double ny, double nz)
{
    ShapeVertex vertex;
    vertex.x = static_cast<float>(x);
    vertex.y = static_cast<float>(y);
    vertex.z = static_cast<float>(z);
    vertex.u = static_cast<float>(u);
    vertex.v = static_cast<float>(v);
    vertex.nx = static_cast<float>(nx);
    vertex.ny = static_cast<float>(ny);
    vertex.nz = static_cast<float>(nz);
    mesh->vertices.push_back(vertex);
    return static_cast<int>(mesh->vertices.size()) - 1;
}

// Appends one triangle.
static void AddTriangle(ShapeMesh* mesh, int a, int b, int c)
{
    mesh->indices.push_back(a);
    mesh->indices.push_back(b);
    mesh->indices.push_back(c);
}

// Joins two rows of (columns + 1) corners, starting at rowA and rowB, with two
// triangles per column.
static void JoinRows(ShapeMesh* mesh, int rowA, int rowB, int columns)
{
    for (int i = 0; i < columns; ++i) {
        AddTriangle(mesh, rowA + i, rowB + i, rowB + i + 1);
        AddTriangle(mesh, rowA + i, rowB + i + 1, rowA + i + 1);
    }
}

// Builds one half of the sphere: a pole fan, rings of quads, a closing disc.
ShapeMesh BuildSphereHalf(float radius, bool upper, int segments, int rings)
{
    assert(segments >= 3 && rings >= 1);
    ShapeMesh mesh;
    const double sign = upper ? 1.0 : -1.0;

    // The pole: one corner per column, so the fan's texture coordinates do not
    // all pinch into one u.
    const int pole = static_cast<int>(mesh.vertices.size());
    const double poleV = upper ? 1.0 : 0.0;
    for (int i = 0; i < segments; ++i)
        AddVertex(&mesh, 0.0, sign * radius, 0.0, (i + 0.5) / segments, poleV, 0.0, sign, 0.0);

    // Rows from next to the pole down (or up) to the equator; polar angle
    // theta from the pole, texture v from 1 at the top pole to 0 at the bottom.
    std::vector<int> rowStart;
    for (int j = 1; j <= rings; ++j) {
        const double theta = 0.5 * PI * j / rings;
        const double ring = std::sin(theta);
        const double height = sign * std::cos(theta);
        rowStart.push_back(static_cast<int>(mesh.vertices.size()));
        for (int i = 0; i <= segments; ++i) {
            const double phi = 2.0 * PI * (i % segments) / segments;
            const double nx = ring * std::cos(phi);
            const double nz = ring * std::sin(phi);
            AddVertex(&mesh, radius * nx, radius * height, radius * nz,
                      static_cast<double>(i) / segments, 0.5 + 0.5 * height,
                      nx, height, nz);
        }
    }

    for (int i = 0; i < segments; ++i)
        AddTriangle(&mesh, pole + i, rowStart[0] + i + 1, rowStart[0] + i);
    for (int j = 0; j + 1 < rings; ++j)
        JoinRows(&mesh, rowStart[j], rowStart[j + 1], segments);

    // The flat disc that closes the half at y = 0, mapped from above.
    const int centre = AddVertex(&mesh, 0.0, 0.0, 0.0, 0.5, 0.5, 0.0, -sign, 0.0);
    const int rim = static_cast<int>(mesh.vertices.size());
    for (int i = 0; i <= segments; ++i) {
        const double phi = 2.0 * PI * (i % segments) / segments;
        const double c = std::cos(phi), s = std::sin(phi);
        AddVertex(&mesh, radius * c, 0.0, radius * s, 0.5 + 0.5 * c, 0.5 + 0.5 * s, 0.0, -sign, 0.0);
    }
    for (int i = 0; i < segments; ++i)
        AddTriangle(&mesh, centre, rim + i, rim + i + 1);
    return mesh;
}

// Radius of the ring's inner edge at angle phi: round teeth point inwards.
static double MeasureInnerEdge(double innerRadius, double toothDepth, int teeth, double phi)
{
    const double wave = 0.5 + 0.5 * std::cos(teeth * phi);
    return innerRadius - toothDepth * wave * wave * wave;
}

// Builds the toothed band of the tunnel: its front face and its inner wall,
// two rows of corners each.
ShapeMesh BuildTunnelRing(float innerRadius, float outerRadius, float toothDepth,
                          int teeth, float height, int segments)
{
    assert(segments >= 3 && innerRadius < outerRadius);
    ShapeMesh mesh;
    const double front = 0.5 * height, back = -0.5 * height;

    // Front face (v 0 at the outer edge to 0.5 at the inner), then the inner
    // wall (0.5 at the front to 1 at the back).
    int rows[4];
    for (int face = 0; face < 2; ++face) {
        for (int side = 0; side < 2; ++side) {
            rows[face * 2 + side] = static_cast<int>(mesh.vertices.size());
            for (int i = 0; i <= segments; ++i) {
                const double phi = 2.0 * PI * (i % segments) / segments;
                const double c = std::cos(phi), s = std::sin(phi);
                const double inner = MeasureInnerEdge(innerRadius, toothDepth, teeth, phi);
                const double u = static_cast<double>(i) / segments;
                const double v = 0.5 * face + 0.5 * side;
                if (face == 0) {
                    const double r = side == 0 ? outerRadius : inner;
                    AddVertex(&mesh, r * c, front, r * s, u, v, 0.0, 1.0, 0.0);
                } else {
                    AddVertex(&mesh, inner * c, side == 0 ? front : back, inner * s, u, v, -c, 0.0, -s);
                }
            }
        }
    }
    for (int face = 0; face < 2; ++face)
        JoinRows(&mesh, rows[face * 2], rows[face * 2 + 1], segments);
    return mesh;
}

// A point of the torus knot's middle line and its direction at angle t.
static void MeasureKnotLine(const KnotShape& shape, double t, double point[3], double tangent[3])
{
    const double swing = shape.coreRadius + shape.swingRadius * std::cos(shape.q * t);
    const double swingRate = -shape.swingRadius * shape.q * std::sin(shape.q * t);
    const double c = std::cos(shape.p * t), s = std::sin(shape.p * t);
    point[0] = swing * c;
    point[1] = swing * s;
    point[2] = shape.swingRadius * std::sin(shape.q * t);
    tangent[0] = swingRate * c - swing * shape.p * s;
    tangent[1] = swingRate * s + swing * shape.p * c;
    tangent[2] = shape.swingRadius * shape.q * std::cos(shape.q * t);
    const double length = std::sqrt(tangent[0] * tangent[0] + tangent[1] * tangent[1] + tangent[2] * tangent[2]);
    for (int k = 0; k < 3; ++k)
        tangent[k] /= length;
}

// Builds the knot's tube: one ring of corners per step along the line.
ShapeMesh BuildTorusKnot(const KnotShape& shape)
{
    assert(shape.segmentsAlong >= 3 && shape.segmentsAround >= 3);
    ShapeMesh mesh;
    const int along = shape.segmentsAlong, around = shape.segmentsAround;
    std::vector<int> rowStart;
    for (int i = 0; i <= along; ++i) {
        const double t = 2.0 * PI * (i % along) / along;
        double point[3], tangent[3];
        MeasureKnotLine(shape, t, point, tangent);

        // The ring's frame: "out" points from the core circle to the line,
        // made square to the direction of travel. It never vanishes, and it
        // comes back to itself after one loop, so the tube closes without a
        // twist at the seam.
        const double core[3] = { shape.coreRadius * std::cos(shape.p * t),
                                 shape.coreRadius * std::sin(shape.p * t), 0.0 };
        double out[3];
        for (int k = 0; k < 3; ++k)
            out[k] = point[k] - core[k];
        const double along3 = out[0] * tangent[0] + out[1] * tangent[1] + out[2] * tangent[2];
        for (int k = 0; k < 3; ++k)
            out[k] -= along3 * tangent[k];
        const double outLength = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
        for (int k = 0; k < 3; ++k)
            out[k] /= outLength;
        const double side[3] = { tangent[1] * out[2] - tangent[2] * out[1],
                                 tangent[2] * out[0] - tangent[0] * out[2],
                                 tangent[0] * out[1] - tangent[1] * out[0] };

        rowStart.push_back(static_cast<int>(mesh.vertices.size()));
        for (int j = 0; j <= around; ++j) {
            const double angle = 2.0 * PI * (j % around) / around;
            const double c = std::cos(angle), s = std::sin(angle);
            double normal[3];
            for (int k = 0; k < 3; ++k)
                normal[k] = c * out[k] + s * side[k];
            AddVertex(&mesh,
                      point[0] + shape.tubeRadius * normal[0],
                      point[1] + shape.tubeRadius * normal[1],
                      point[2] + shape.tubeRadius * normal[2],
                      4.0 * i / along, static_cast<double>(j) / around,
                      normal[0], normal[1], normal[2]);
        }
    }
    for (int i = 0; i < along; ++i)
        JoinRows(&mesh, rowStart[i], rowStart[i + 1], around);
    return mesh;
}

// Finds the corner farthest from the origin.
float MeasureShapeRadius(const ShapeMesh& mesh)
{
    double largest = 0.0;
    for (const ShapeVertex& vertex : mesh.vertices) {
        const double r = std::sqrt(static_cast<double>(vertex.x) * vertex.x +
                                   static_cast<double>(vertex.y) * vertex.y +
                                   static_cast<double>(vertex.z) * vertex.z);
        if (r > largest)
            largest = r;
    }
    return static_cast<float>(largest);
}

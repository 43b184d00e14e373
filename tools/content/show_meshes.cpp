// The seven meshes of the show, with the sizes that suit their scenes:
// - sphere halves 2 units from the viewer (half the picture's height is
//   0.83 units there): radius 0.5 fills about 60 % of the height and hides
//   the 0.5-wide spark column while the halves are together;
// - tunnel ring: rings one unit apart along the viewing axis; an inner
//   radius of 1.75 lets the fifty rings close into a tunnel a few rings ahead;
// - knots 5 units away (2.07 units half-height there), stretched up to 2.5
//   times and caged at 1.2: each knot reaches out to about 0.8 of the
//   picture's half size at its widest stretch and turn, a fifth short of the
//   edge, since the cage's cost grows with its size on screen (knot 1
//   stretches along its thin axis and may be largest; knot 3 stretches
//   within its plane).
#include "tools/content/content_meshes.h"
#include "tools/content/mesh_shapes.h"
#include "tools/content/obj_writer.h"

#include <cstdio>
#include <string>

static const float SPHERE_RADIUS = 0.5f;
// Corners around the tunnel ring: its outer edge stays within a third of a
// pixel of a circle on the nearest rings, and each tooth gets twelve. The
// fifty rings are drawn far to near, so every triangle is rasterised; fewer
// keep the tunnel within 60 frames per second on a software rasteriser.
static const int RING_SEGMENTS = 96;
// The four knots: different windings, tube weights and sizes, so each reads
// as its own shape when they turn on top of one another. Few segments keep
// the black wire cage (every triangle edge) open enough to see through, and
// keep the frame within 60 frames per second on a software rasteriser: every
// triangle is drawn filled and as three 2-pixel multisampled lines, the
// costliest thing the show draws, at a cost that grows with the number of
// triangles and with the knot's size on screen. Four corners around make a
// square tube: its flat silhouette widens by at most a factor of 1.4 as it
// turns, which the eye takes for a tube, and its cage reads as a lattice.
static const KnotShape KNOT_SHAPES[4] = {
    { 2, 3, 0.36f, 0.17f, 0.09f, 40, 4 },    // trefoil
    { 3, 5, 0.40f, 0.14f, 0.075f, 68, 4 },   // a dense, star-like knot
    { 2, 5, 0.38f, 0.15f, 0.08f, 60, 4 },    // cinquefoil
    { 3, 4, 0.36f, 0.18f, 0.08f, 54, 4 },    // four-lobed
};
static const float KNOT_REACH[4] = { 1.12f, 0.85f, 0.72f, 0.79f };

// Writes one mesh into dataDir, reporting a failure on stderr.
static bool WriteMesh(const std::string& dataDir, const char* name, const ShapeMesh& mesh)
{
    const std::string path = dataDir + "/" + name + ".obj";
    if (WriteObjFile(path.c_str(), name, mesh))
        return true;
    std::fprintf(stderr, "halvane-content: cannot write %s\n", path.c_str());
    return false;
}

// Scales a knot's proportions so that its outermost point lies at reach.
static KnotShape FitKnot(const KnotShape& shape, float reach)
{
    KnotShape fitted = shape;
    const float scale = reach / (shape.coreRadius + shape.swingRadius + shape.tubeRadius);
    fitted.coreRadius *= scale;
    fitted.swingRadius *= scale;
    fitted.tubeRadius *= scale;
    return fitted;
}

// Builds and writes the seven meshes.
bool WriteShowMeshes(const char* dataDir)
{
    const std::string dir = dataDir;
    bool written = true;
    written &= WriteMesh(dir, "sphere_up", BuildSphereHalf(SPHERE_RADIUS, true, 48, 20));
    written &= WriteMesh(dir, "sphere_down", BuildSphereHalf(SPHERE_RADIUS, false, 48, 20));
    written &= WriteMesh(dir, "startunnel", BuildTunnelRing(1.75f, 2.0f, 0.14f, 8, 0.12f, RING_SEGMENTS));
    for (int k = 0; k < 4; ++k) {
        const std::string name = "knot" + std::to_string(k + 1);
        written &= WriteMesh(dir, name.c_str(), BuildTorusKnot(FitKnot(KNOT_SHAPES[k], KNOT_REACH[k])));
    }
    return written;
}

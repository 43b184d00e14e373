// The generated meshes, read by the rules of the show's OBJ loader: every
// line short, every key where the loader expects it, every face a full
// triangle in range, within the triangle budgets, and each shape sized for
// the place its scene puts it.
#include "tests/content_gen/content_test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

struct ObjPoint {
    double x, y, z;
};

// A mesh as the loader would see it, plus what was wrong with the text.
struct ObjCheck {
    std::vector<ObjPoint> positions;
    int texcoordCount = 0;
    std::vector<int> corners;  // 0-based position indices, three per triangle
    std::vector<std::string> faults;
};

// Reads an OBJ file line by line and records every way it could mislead the
// loader: the loader reads 79-character chunks and classifies a chunk by the
// first of "v ", "vt ", "f " that it contains anywhere.
ObjCheck CheckObjFile(const std::string& path)
{
    ObjCheck check;
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::string line;
    std::vector<std::pair<int, int>> texcoordRefs;
    int number = 0;
    while (std::getline(text, line)) {
        ++number;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (line.size() >= 79)
            check.faults.push_back(where + "line of " + std::to_string(line.size()) + " characters");
        const bool hasV = line.find("v ") != std::string::npos;
        const bool hasVt = line.find("vt ") != std::string::npos;
        const bool hasF = line.find("f ") != std::string::npos;
        if (hasV + hasVt + hasF > 1)
            check.faults.push_back(where + "two keys in one line");
        if (hasV) {
            ObjPoint p;
            char rest[8] = "";
            if (line.compare(0, 2, "v ") != 0 ||
                std::sscanf(line.c_str(), "v %lf %lf %lf %7s", &p.x, &p.y, &p.z, rest) != 3)
                check.faults.push_back(where + "bad position line");
            check.positions.push_back(p);
        } else if (hasVt) {
            double u, v;
            char rest[8] = "";
            if (line.compare(0, 3, "vt ") != 0 ||
                std::sscanf(line.c_str(), "vt %lf %lf %7s", &u, &v, rest) != 2 ||
                u < -0.001 || v < -0.001 || v > 1.001)
                check.faults.push_back(where + "bad texcoord line");
            ++check.texcoordCount;
        } else if (hasF) {
            int i[9];
            char rest[8] = "";
            if (line.compare(0, 2, "f ") != 0 || line.find("/0") != std::string::npos ||
                line.find(" 0") != std::string::npos ||
                std::sscanf(line.c_str(), "f %d/%d/%d %d/%d/%d %d/%d/%d %7s", &i[0], &i[1], &i[2], &i[3],
                            &i[4], &i[5], &i[6], &i[7], &i[8], rest) != 9)
                check.faults.push_back(where + "not one triangle of full triples");
            for (int k = 0; k < 3; ++k) {
                check.corners.push_back(i[3 * k] - 1);
                texcoordRefs.push_back({ i[3 * k + 1] - 1, number });
            }
        } else if (!line.empty() && line[0] != '#' && line.compare(0, 2, "o ") != 0 &&
                   line.compare(0, 3, "vn ") != 0) {
            check.faults.push_back(where + "unexpected line");
        }
    }
    for (int corner : check.corners)
        if (corner < 0 || corner >= static_cast<int>(check.positions.size()))
            check.faults.push_back(path + ": position index out of range");
    for (const auto& ref : texcoordRefs)
        if (ref.first < 0 || ref.first >= check.texcoordCount)
            check.faults.push_back(path + ":" + std::to_string(ref.second) + ": texcoord index out of range");
    return check;
}

// Loads one generated mesh, failing the test on any fault of its text.
ObjCheck LoadGeneratedMesh(const char* name)
{
    const std::string& dir = GetGeneratedDir();
    EXPECT_FALSE(dir.empty());
    const ObjCheck check = CheckObjFile(dir + "/data/" + name + ".obj");
    for (size_t k = 0; k < check.faults.size() && k < 5; ++k)
        ADD_FAILURE() << check.faults[k];
    EXPECT_FALSE(check.corners.empty()) << name;
    return check;
}

// Number of triangles of a checked mesh.
int CountTriangles(const ObjCheck& mesh)
{
    return static_cast<int>(mesh.corners.size() / 3);
}

// Applies a GL-style rotation of angle degrees about axis (normalised here).
ObjPoint Rotate(const ObjPoint& p, double degrees, double ax, double ay, double az)
{
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= length;
    ay /= length;
    az /= length;
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    return {
        (t * ax * ax + c) * p.x + (t * ax * ay - s * az) * p.y + (t * ax * az + s * ay) * p.z,
        (t * ax * ay + s * az) * p.x + (t * ay * ay + c) * p.y + (t * ay * az - s * ax) * p.z,
        (t * ax * az - s * ay) * p.x + (t * ay * az + s * ax) * p.y + (t * az * az + c) * p.z,
    };
}

}  // namespace

// The budgets hold the scenes at 60 frames per second on a software
// rasteriser with 4 samples per pixel: the tunnel draws its ring 50 times a
// frame, and the knots draw each triangle filled and as three wide lines.
TEST(ContentMeshes, EveryMeshReadsCleanlyWithinItsBudget)
{
    const struct {
        const char* name;
        int budget;
    } meshes[] = {
        { "sphere_up", 2000 }, { "sphere_down", 2000 }, { "startunnel", 400 },
        { "knot1", 600 }, { "knot2", 600 }, { "knot3", 600 }, { "knot4", 600 },
    };
    for (const auto& mesh : meshes) {
        const ObjCheck check = LoadGeneratedMesh(mesh.name);
        EXPECT_LE(CountTriangles(check), mesh.budget) << mesh.name;
        EXPECT_GE(CountTriangles(check), 100) << mesh.name;
    }
}

// The halves of one sphere: the upper at y >= 0, the lower its mirror image,
// wide enough 2 units away to hide the 0.5-wide spark column.
TEST(ContentMeshes, SphereHalvesAreTheTwoHalvesOfOneSphere)
{
    const ObjCheck up = LoadGeneratedMesh("sphere_up");
    const ObjCheck down = LoadGeneratedMesh("sphere_down");
    double upRadius = 0.0, downRadius = 0.0;
    for (const ObjPoint& p : up.positions) {
        EXPECT_GE(p.y, 0.0);
        upRadius = std::max(upRadius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
    for (const ObjPoint& p : down.positions) {
        EXPECT_LE(p.y, 0.0);
        downRadius = std::max(downRadius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
    EXPECT_NEAR(upRadius, downRadius, 1e-4);
    EXPECT_GE(upRadius, 0.45);
    EXPECT_LE(upRadius, 0.6);
    EXPECT_EQ(up.positions.size(), down.positions.size());
}

// After the scene's turn of 90 degrees about x the ring's y axis is the
// viewing axis: the ring must be flat along y and leave a wide hole around it
// on every side, so the viewer flies through fifty of them.
TEST(ContentMeshes, TunnelRingEncirclesItsYAxis)
{
    const ObjCheck ring = LoadGeneratedMesh("startunnel");
    bool sector[36] = {};
    for (const ObjPoint& p : ring.positions) {
        EXPECT_LE(std::fabs(p.y), 0.25);
        const double r = std::sqrt(p.x * p.x + p.z * p.z);
        EXPECT_GE(r, 1.5);
        EXPECT_LE(r, 3.0);
        const double angle = std::atan2(p.z, p.x) + M_PI;
        sector[std::min(35, static_cast<int>(angle / (2.0 * M_PI) * 36.0))] = true;
    }
    for (int k = 0; k < 36; ++k)
        EXPECT_TRUE(sector[k]) << "no part of the ring in sector " << k;
}

// Seen from the axis on its +y side (the viewer, once the scene has turned
// it), the ring shows its +y face and its inner wall; a triangle on the back
// face or the outer wall would be hidden in every frame yet rasterised fifty
// times a frame.
TEST(ContentMeshes, TunnelRingHasNoHiddenFaces)
{
    const ObjCheck ring = LoadGeneratedMesh("startunnel");
    double back = 0.0, outer = 0.0;
    for (const ObjPoint& p : ring.positions) {
        back = std::min(back, p.y);
        outer = std::max(outer, std::sqrt(p.x * p.x + p.z * p.z));
    }
    for (size_t c = 0; c + 2 < ring.corners.size(); c += 3) {
        int onBack = 0, onOuter = 0;
        for (size_t k = c; k < c + 3; ++k) {
            const ObjPoint& p = ring.positions[ring.corners[k]];
            onBack += p.y < back + 1e-6;
            onOuter += std::sqrt(p.x * p.x + p.z * p.z) > outer - 1e-5;
        }
        EXPECT_LT(onBack, 3) << "triangle " << c / 3 << " lies on the back face";
        EXPECT_LT(onOuter, 3) << "triangle " << c / 3 << " lies on the outer wall";
    }
}

// Knots 5 units away, turned and stretched as the scene does over its whole
// window, then caged at 1.2: every corner stays inside the 16:9 picture of
// the 45-degree projection, and a fifth short of its edge, as the cage's
// drawing cost grows with its size on screen.
TEST(ContentMeshes, StretchedCagedKnotsStayInThePicture)
{
    const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0), aspect = 16.0 / 9.0;
    const struct {
        double ax, ay, az;
        int stretchAxis;   // 0 x, 1 y, 2 z
        bool deepStretch;  // g = s + 1.5 rather than h = s + 1
        double angleOffset;
    } knots[4] = {
        { 1, 0, -1, 2, true, 0.0 },
        { 0, 1.4, 0, 0, true, -20.0 },
        { 0, 1, 1, 1, false, 0.0 },
        { -1, 0, -1, 0, false, 0.0 },
    };
    for (int k = 0; k < 4; ++k) {
        const std::string name = "knot" + std::to_string(k + 1);
        const ObjCheck knot = LoadGeneratedMesh(name.c_str());
        double widest = 0.0;
        for (int step = 0; step <= 2000; ++step) {
            const float p = step / 2000.0f;
            const float angle = static_cast<float>(p * 1000.0 + knots[k].angleOffset);
            const float s = std::sin(p * 20.0f);
            const double stretch = knots[k].deepStretch ? s + 1.5f : s + 1.0f;
            for (const ObjPoint& corner : knot.positions) {
                double v[3] = { corner.x * 1.2, corner.y * 1.2, corner.z * 1.2 };
                v[knots[k].stretchAxis] *= stretch;
                ObjPoint q = Rotate({ v[0], v[1], v[2] }, angle, knots[k].ax, knots[k].ay, knots[k].az);
                q.z -= 5.0;
                ASSERT_LT(q.z, -0.5) << name << " reaches the near plane";
                widest = std::max(widest, std::max(std::fabs(focal / aspect * q.x / -q.z),
                                                   std::fabs(focal * q.y / -q.z)));
            }
        }
        EXPECT_LE(widest, 0.85) << name << " comes too near the picture's edge";
        EXPECT_GE(widest, 0.6) << name << " is lost in the middle of the picture";
        std::printf("%s: reaches %.3f of the picture's half size\n", name.c_str(), widest);
    }
}

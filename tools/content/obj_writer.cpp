// OBJ text output (see obj_writer.h). The loader finds its keys ("v ",
// "vt ", "f ") anywhere in a line, so the header lines are worded to hold
// none of them, and the loader reads a leading 0 as octal, so indices are
// plain decimals from 1.
#include "tools/content/obj_writer.h"

#include <cmath>
#include <cstdio>

// Formats one coordinate with five decimals; a value that rounds to zero is
// written "0.00000", never "-0.00000", so mirrored shapes read cleanly.
static void FormatCoordinate(float value, char* text, size_t size)
{
    if (std::fabs(value) < 0.000005f)
        value = 0.0f;
    std::snprintf(text, size, "%.5f", static_cast<double>(value));
}

// Writes the header, all positions, texcoords and normals, then the faces.
bool WriteObjFile(const char* path, const char* name, const ShapeMesh& mesh)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    std::fprintf(file, "# Halvane mesh %s: %zu corners, %zu triangles\n", name,
                 mesh.vertices.size(), mesh.indices.size() / 3);
    std::fprintf(file, "o %s\n", name);

    char a[32], b[32], c[32];
    for (const ShapeVertex& vertex : mesh.vertices) {
        FormatCoordinate(vertex.x, a, sizeof a);
        FormatCoordinate(vertex.y, b, sizeof b);
        FormatCoordinate(vertex.z, c, sizeof c);
        std::fprintf(file, "v %s %s %s\n", a, b, c);
    }
    for (const ShapeVertex& vertex : mesh.vertices) {
        FormatCoordinate(vertex.u, a, sizeof a);
        FormatCoordinate(vertex.v, b, sizeof b);
        std::fprintf(file, "vt %s %s\n", a, b);
    }
    for (const ShapeVertex& vertex : mesh.vertices) {
        FormatCoordinate(vertex.nx, a, sizeof a);
        FormatCoordinate(vertex.ny, b, sizeof b);
        FormatCoordinate(vertex.nz, c, sizeof c);
        std::fprintf(file, "vn %s %s %s\n", a, b, c);
    }
    for (size_t k = 0; k + 2 < mesh.indices.size(); k += 3) {
        const int i = mesh.indices[k] + 1, j = mesh.indices[k + 1] + 1, l = mesh.indices[k + 2] + 1;
        std::fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", i, i, i, j, j, j, l, l, l);
    }
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written;
}

// Fuzz target of the OBJ loader: the input as a file, loaded twice into one
// Mesh (as a re-created window does), then drawn filled and as wire into a
// stub GL that only counts calls. Besides the sanitizers' reports it stops
// on a second load that differs from the first, and on draws that emit more
// corners than the mesh has, unpaired texture coordinates, an unbalanced
// glBegin/glEnd or a polygon mode other than GL_FILL left behind.
#include "content/mesh.h"
#include "fuzz_input_file.h"

#include "platform/gl_api.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// What the stub GL saw since the last reset.
static struct {
    int begins, ends, texcoords, vertices;
    GLenum polygonMode;
} s_gl;

extern "C" {
void glBegin(GLenum) { ++s_gl.begins; }
void glEnd() { ++s_gl.ends; }
void glTexCoord2f(GLfloat, GLfloat) { ++s_gl.texcoords; }
void glVertex3f(GLfloat, GLfloat, GLfloat) { ++s_gl.vertices; }
void glPolygonMode(GLenum, GLenum mode) { s_gl.polygonMode = mode; }
}

// Stops the run when a draw broke one of its promises.
static void RequireSound(bool ok)
{
    if (!ok)
        std::abort();
}

// Fingerprint of everything a load stored, to compare two loads.
static uint64_t HashMesh(const Mesh& mesh)
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* bytes, size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(bytes);
        for (size_t i = 0; i < size; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    };
    mix(&mesh.positionCount, sizeof mesh.positionCount);
    mix(&mesh.texcoordCount, sizeof mesh.texcoordCount);
    mix(&mesh.indexCount, sizeof mesh.indexCount);
    mix(mesh.positionIndices, sizeof(int32_t) * mesh.indexCount);
    mix(mesh.texcoordIndices, sizeof(int32_t) * mesh.indexCount);
    mix(mesh.positions, sizeof(MeshPosition) * mesh.positionCount);
    mix(mesh.texcoords, sizeof(MeshTexcoord) * mesh.texcoordCount);
    return h;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = WriteFuzzInputFile(data, size, ".obj");
    static Mesh mesh;
    RequireSound(LoadObjMesh(path, &mesh));
    const uint64_t first = HashMesh(mesh);
    RequireSound(LoadObjMesh(path, &mesh));
    RequireSound(HashMesh(mesh) == first);

    std::memset(&s_gl, 0, sizeof s_gl);
    DrawMeshFilled(&mesh);
    RequireSound(s_gl.begins == 1 && s_gl.ends == 1 && s_gl.vertices <= mesh.indexCount
        && s_gl.texcoords == s_gl.vertices && s_gl.polygonMode == GL_FILL);
    std::memset(&s_gl, 0, sizeof s_gl);
    s_gl.polygonMode = GL_POINT;
    DrawMeshWire(&mesh);
    RequireSound(s_gl.begins == 1 && s_gl.ends == 1 && s_gl.vertices <= mesh.indexCount
        && s_gl.texcoords == 0 && s_gl.polygonMode == GL_FILL);

    ReleaseMesh(&mesh);
    return 0;
}

// Drawing a Mesh in GL immediate mode, filled or as wire edges. Both draws
// use the caller's colour, matrices and texture state and send none of their
// own. A triangle with any corner whose position or texcoord index lies
// outside its array (an unfilled slot, a negative or too large index) is left
// out whole, so drawing never reads outside the mesh's arrays.
#include "content/mesh.h"

#include "platform/gl_api.h"

// True when every index of triangle k points inside the mesh's arrays.
static bool IsTriangleInRange(const Mesh* mesh, int32_t k)
{
    for (int32_t c = 3 * k; c < 3 * k + 3; ++c) {
        const int32_t p = mesh->positionIndices[c];
        const int32_t t = mesh->texcoordIndices[c];
        if (p < 0 || p >= mesh->positionCount || t < 0 || t >= mesh->texcoordCount)
            return false;
    }
    return true;
}

void DrawMeshFilled(const Mesh* mesh)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_TRIANGLES);
    const int32_t triangleCount = mesh->indexCount / 3;
    for (int32_t k = 0; k < triangleCount; ++k) {
        if (!IsTriangleInRange(mesh, k))
            continue;
        for (int32_t c = 3 * k; c < 3 * k + 3; ++c) {
            const MeshTexcoord& vt = mesh->texcoords[mesh->texcoordIndices[c]];
            const MeshPosition& v = mesh->positions[mesh->positionIndices[c]];
            glTexCoord2f(vt.u, vt.v);
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void DrawMeshWire(const Mesh* mesh)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_TRIANGLES);
    const int32_t triangleCount = mesh->indexCount / 3;
    for (int32_t k = 0; k < triangleCount; ++k) {
        // The same test as the filled draw, so a cage always matches its solid.
        if (!IsTriangleInRange(mesh, k))
            continue;
        for (int32_t c = 3 * k; c < 3 * k + 3; ++c) {
            const MeshPosition& v = mesh->positions[mesh->positionIndices[c]];
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

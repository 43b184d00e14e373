// The Mesh record: one triangle model read from a small subset of the OBJ
// text format, drawn in GL immediate mode filled (with texture coordinates)
// or as wire edges.
#pragma once

#include <cstdint>

// One position (x, y, z) of a mesh.
struct MeshPosition {
    float x, y, z;
};

// One texture coordinate (u, v) of a mesh.
struct MeshTexcoord {
    float u, v;
};

// One loaded model. Corners 3k, 3k+1, 3k+2 form triangle k; each corner pairs
// a position index with a texcoord index (0-based). A new Mesh is all zero.
struct Mesh {
    int32_t positionCount;     // position lines counted in the first pass
    int32_t texcoordCount;     // texcoord lines counted in the first pass
    int32_t faceCount;         // face lines counted in the first pass
    int32_t indexCount;        // 3 * faceCount: the number of corners
    int32_t* positionIndices;  // indexCount entries
    int32_t* texcoordIndices;  // indexCount entries
    MeshPosition* positions;   // positionCount entries, in file order
    MeshTexcoord* texcoords;   // texcoordCount entries, in file order
    int32_t nextPosition;      // positions stored by the second pass
    int32_t nextTexcoord;      // texcoords stored by the second pass
    int32_t nextCorner;        // corner slots consumed by the second pass
};

// Largest OBJ file read, in bytes: 26 times the show's largest mesh (about
// 150 KB). The arrays take at most 8 bytes per byte of file (a three-byte
// face line "f \n" fills 24 bytes of indices), so a mesh costs at most 32 MB
// and a second or two of parsing, however the file was made.
enum : int64_t { OBJ_MAX_FILE_SIZE = 4 * 1024 * 1024 };

// Reads an OBJ file into mesh. Returns false, after the "Error opening .obj
// file" box, when the file cannot be read: missing, not a regular file (a
// folder, a FIFO, a device) or larger than OBJ_MAX_FILE_SIZE; the mesh is
// then left as it was. True when it was read, whatever it held. A mesh that
// already holds a model is emptied first, so loading again gives the same
// model.
bool LoadObjMesh(const char* path, Mesh* mesh);

// Frees the mesh's arrays and sets it back to a new, empty Mesh.
void ReleaseMesh(Mesh* mesh);

// Draws the triangles filled: one glTexCoord2f and one glVertex3f per corner,
// in the caller's colour, matrices and texture state. Corners whose indices
// fall outside the arrays are skipped with their whole triangle.
void DrawMeshFilled(const Mesh* mesh);

// Draws every triangle edge as a line (positions only) and leaves the polygon
// mode GL_FILL.
void DrawMeshWire(const Mesh* mesh);

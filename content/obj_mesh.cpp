// The OBJ loader: reads the show's small OBJ subset (positions, texture
// coordinates, triangle faces written as full v/vt/vn triples) into a Mesh.
//
// The file is read in chunks of at most 79 characters (an 80-byte line
// buffer); a longer line is several chunks, each classified on its own by
// substring search for the keys "v ", "vt " and "f ". The first pass counts,
// so every array is created once at its final size; the second pass parses.
// A chunk holding two keys is counted once but parsed under each key, so the
// second pass may find more entries than were counted: those are dropped.
//
// The file is taken whole into memory first, up to the size it had when it
// was opened, and both passes chunk that copy as fgets would chunk the file.
// Only regular files are read (a FIFO or a device is never waited on or read
// without end), and only up to OBJ_MAX_FILE_SIZE bytes.
#include "content/mesh.h"

#include "platform/message_box.h"
#include "platform/regular_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// Size of the line buffer: one chunk is at most CHUNK_SIZE - 1 characters.
enum { CHUNK_SIZE = 80 };

// The text being chunked: the file's bytes and how far the pass has come.
struct ObjText {
    const char* next;
    const char* end;
};

// The three keys; each includes its trailing blank.
static const char POSITION_KEY[] = "v ";
static const char TEXCOORD_KEY[] = "vt ";
static const char FACE_KEY[] = "f ";

void ReleaseMesh(Mesh* mesh)
{
    delete[] mesh->positionIndices;
    delete[] mesh->texcoordIndices;
    delete[] mesh->positions;
    delete[] mesh->texcoords;
    *mesh = Mesh{};
}

// Creates an array of count zeroed entries, or none for a count of zero.
// Zeroed index slots become -1 after the 1-based conversion, so a corner that
// no face line filled is out of range and its triangle is not drawn.
template <typename T>
static T* CreateZeroedArray(int32_t count)
{
    return count > 0 ? new T[count]() : nullptr;
}

// Copies the next chunk into chunk as fgets(chunk, CHUNK_SIZE, file) would:
// up to CHUNK_SIZE - 1 bytes, ending after the first line end, then a zero.
// False at the end of the text.
static bool ReadChunk(ObjText* text, char* chunk)
{
    if (text->next == text->end)
        return false;
    const size_t left = static_cast<size_t>(text->end - text->next);
    size_t size = left < CHUNK_SIZE - 1 ? left : CHUNK_SIZE - 1;
    if (const void* lineEnd = std::memchr(text->next, '\n', size))
        size = static_cast<size_t>(static_cast<const char*>(lineEnd) - text->next) + 1;
    std::memcpy(chunk, text->next, size);
    chunk[size] = '\0';
    text->next += size;
    return true;
}

// First pass: counts the chunks of each kind, the first key found deciding.
static void CountObjChunks(ObjText text, Mesh* mesh)
{
    char chunk[CHUNK_SIZE];
    while (ReadChunk(&text, chunk)) {
        if (std::strstr(chunk, POSITION_KEY))
            ++mesh->positionCount;
        else if (std::strstr(chunk, TEXCOORD_KEY))
            ++mesh->texcoordCount;
        else if (std::strstr(chunk, FACE_KEY))
            ++mesh->faceCount;
    }
}

// Parses one face chunk into the three corner slots starting at corner. A
// pattern that stops early leaves the remaining slots as they were.
static void ParseFaceChunk(const char* chunk, Mesh* mesh, int32_t corner)
{
    int32_t* p = mesh->positionIndices + corner;
    int32_t* t = mesh->texcoordIndices + corner;
    int normal = 0;  // the normal index of each triple is read and thrown away
    std::sscanf(chunk, "f %i/%i/%i %i/%i/%i %i/%i/%i",
        &p[0], &t[0], &normal, &p[1], &t[1], &normal, &p[2], &t[2], &normal);
}

// Second pass: parses every chunk under each key it contains. Each counted
// chunk consumes its slot (or three corner slots) whether or not its pattern
// matched; entries beyond the counted sizes are dropped.
static void ParseObjChunks(ObjText text, Mesh* mesh)
{
    char chunk[CHUNK_SIZE];
    while (ReadChunk(&text, chunk)) {
        if (std::strstr(chunk, POSITION_KEY) && mesh->nextPosition < mesh->positionCount) {
            MeshPosition* v = &mesh->positions[mesh->nextPosition];
            std::sscanf(chunk, "v %f %f %f", &v->x, &v->y, &v->z);
            ++mesh->nextPosition;
        }
        if (std::strstr(chunk, TEXCOORD_KEY) && mesh->nextTexcoord < mesh->texcoordCount) {
            MeshTexcoord* vt = &mesh->texcoords[mesh->nextTexcoord];
            std::sscanf(chunk, "vt %f %f", &vt->u, &vt->v);
            ++mesh->nextTexcoord;
        }
        if (std::strstr(chunk, FACE_KEY) && mesh->nextCorner + 3 <= mesh->indexCount) {
            ParseFaceChunk(chunk, mesh, mesh->nextCorner);
            mesh->nextCorner += 3;
        }
    }
}

// Turns the file's 1-based indices into 0-based ones. The smallest integer
// stays as it is rather than overflowing; it is out of range either way.
static void ConvertToZeroBased(int32_t* indices, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] != INT32_MIN)
            indices[i] -= 1;
    }
}

// Reads the whole of a regular file of at most OBJ_MAX_FILE_SIZE bytes into
// bytes; false for anything else, or when the file cannot be read whole.
static bool ReadObjFile(const char* path, std::vector<char>* bytes)
{
    int64_t size = 0;
    FILE* file = OpenRegularFile(path, &size);
    if (!file)
        return false;
    bool read = size <= OBJ_MAX_FILE_SIZE;
    if (read) {
        bytes->resize(static_cast<size_t>(size));
        read = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    std::fclose(file);
    return read;
}

bool LoadObjMesh(const char* path, Mesh* mesh)
{
    std::vector<char> bytes;
    if (!ReadObjFile(path, &bytes)) {
        NoteMessageFile(path);
        ShowMessageBox("Error opening .obj file", "App", MESSAGE_OK);
        return false;
    }
    // Loading again (a re-created window) starts from an empty record, so the
    // second load gives the same model as the first.
    ReleaseMesh(mesh);

    const ObjText text = { bytes.data(), bytes.data() + bytes.size() };
    CountObjChunks(text, mesh);
    mesh->indexCount = 3 * mesh->faceCount;
    mesh->positionIndices = CreateZeroedArray<int32_t>(mesh->indexCount);
    mesh->texcoordIndices = CreateZeroedArray<int32_t>(mesh->indexCount);
    mesh->positions = CreateZeroedArray<MeshPosition>(mesh->positionCount);
    mesh->texcoords = CreateZeroedArray<MeshTexcoord>(mesh->texcoordCount);

    ParseObjChunks(text, mesh);
    ConvertToZeroBased(mesh->positionIndices, mesh->indexCount);
    ConvertToZeroBased(mesh->texcoordIndices, mesh->indexCount);
    return true;
}

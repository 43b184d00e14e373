// Shared by the recorder's tests (see stream_test_support.h).
#include "stream_test_support.h"

#include <algorithm>

void MakeTestMesh(Mesh* mesh, float base)
{
    ReleaseMesh(mesh);
    const MeshPosition positions[4] = {
        { base, 0.5f, -0.25f }, { base + 1, -0.75f, 0.125f }, { -base, 0.25f, 1 }, { 0.5f, base, -1 },
    };
    const MeshTexcoord texcoords[3] = { { 0.25f, base / 8 }, { 0.75f, 0.5f }, { base / 4, 1 } };
    const int32_t positionIndices[6] = { 1, 3, 0, 2, 0, 3 };
    const int32_t texcoordIndices[6] = { 2, 0, 1, 1, 2, 0 };
    mesh->positionCount = mesh->nextPosition = 4;
    mesh->texcoordCount = mesh->nextTexcoord = 3;
    mesh->faceCount = 2;
    mesh->indexCount = mesh->nextCorner = 6;
    mesh->positions = new MeshPosition[4];
    mesh->texcoords = new MeshTexcoord[3];
    mesh->positionIndices = new int32_t[6];
    mesh->texcoordIndices = new int32_t[6];
    std::copy(positions, positions + 4, mesh->positions);
    std::copy(texcoords, texcoords + 3, mesh->texcoords);
    std::copy(positionIndices, positionIndices + 6, mesh->positionIndices);
    std::copy(texcoordIndices, texcoordIndices + 6, mesh->texcoordIndices);
}

ShowModel MakeModelAfterInit()
{
    ShowModel model;
    StartRecording(nullptr);
    ExpectInitStarTunnel(model);
    return model;
}

// What the recorder's tests share: small meshes of their own, a builder that
// has made the show's first draws, and comparing the core with the builder.
#pragma once

#include "call_recorder.h"
#include "expected_show.h"

#include <cmath>

// The next float above / below t.
inline float Above(float t) { return std::nextafter(t, INFINITY); }
inline float Below(float t) { return std::nextafter(t, -INFINITY); }

// Fills mesh (emptied first) with two triangles whose corners pair position
// and texcoord indices that differ; base makes each mesh's values its own.
void MakeTestMesh(Mesh* mesh, float base);

// A builder whose ring tables hold the first 200 draws of a fresh process.
ShowModel MakeModelAfterInit();

// Records what core() makes and what expect() writes, each from a fresh
// recorder, and compares the two streams.
template <typename Core, typename Expect>
::testing::AssertionResult CompareStreams(Core core, Expect expect)
{
    CallStream made, expected;
    ResetRecorder();
    StartRecording(&made);
    core();
    ResetRecorder();
    StartRecording(&expected);
    expect();
    StartRecording(nullptr);
    return IsSameStream(expected, made);
}

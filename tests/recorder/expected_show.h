// The expectation builder: the show's design written out a second time,
// apart from the core. Each Expect function writes into the current stream
// (see call_recorder.h) the calls that the core's operation of the same name
// must make, computing every argument from the show's formulas. It
// draws from a generator and a spectrum script of its own, and keeps its own
// squares and ring tables; it reads from the core only the content records
// (meshes) and the caption schedule's data.
#pragma once

#include "content/mesh.h"
#include "timeline/show_state.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// What the builder keeps from call to call.
struct ShowModel {
    uint32_t randomState = 1;
    std::vector<float> levels;  // the k-th spectrum request returns levels[k % size]
    size_t requests = 0;
    std::vector<std::pair<float, float>> squares;  // pulse squares, oldest first
    int ringAngles[50] = {}, ringReds[50] = {}, ringGreens[50] = {}, ringBlues[50] = {};
    unsigned captionTextures[11] = {};
    unsigned creditsTexture = 0;
};

// The scene progress of t in the window start..end.
float ComputeProgress(float start, float end, float t);

// Draws from the model's generator / requests its next level, and records it.
int DrawModelRand(ShowModel& model);
float RequestModelLevel(ShowModel& model);

void ExpectMeshFilled(const Mesh& mesh);
void ExpectMeshWire(const Mesh& mesh);
void ExpectInitStarTunnel(ShowModel& model);
void ExpectPulseSquares(ShowModel& model, float t, float p);
void ExpectSplitSphere(ShowModel& model, float t, float p);
void ExpectStarTunnel(ShowModel& model, float p);
void ExpectKnots(float p);
void ExpectCaptions(const ShowModel& model, float t, const DisplaySettings& d);
void ExpectCredits(const ShowModel& model, const DisplaySettings& d);
void ExpectLetterboxBars(const DisplaySettings& d);
void ExpectShowViewport(const DisplaySettings& d);
void ExpectInitShow(ShowModel& model, const DisplaySettings& d);
void ExpectRenderFrame(ShowModel& model, float t, const DisplaySettings& d);

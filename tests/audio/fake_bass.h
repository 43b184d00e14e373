// A stand-in for the sound library that records every call, so the music's
// tests can check the exact calls and arguments and steer the results
// (another version, no device, no file, failing requests).
#pragma once

#include <string>
#include <vector>

#include "soundlib/bass.h"

// What the stand-in answers and what it was asked.
struct FakeBass {
    DWORD version;
    BOOL initResult;
    HSTREAM openResult;
    bool requestFails;           // BASS_ChannelGetData returns -1, writes nothing
    float frame[512];            // what a successful request writes
    std::vector<std::string> calls;
};

// The stand-in's one state; ResetFakeBass restores a working library.
extern FakeBass g_fakeBass;
void ResetFakeBass();

// True when some recorded call starts with `prefix`.
bool FakeBassWasCalled(const std::string& prefix);

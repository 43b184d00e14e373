// The call recorder: a test binary links it in place of GL, GLU, DevIL and
// the sound library. Every GL and GLU call the core makes, every DevIL call,
// every spectrum request and every draw of the show's generator is written,
// in call order, as one line of the current stream:
//   "glTranslatef(0, 0.333333343, -2)"   floats as %.9g, doubles as %.17g:
//                                        both print every value exactly, so
//                                        two lines are equal only when the
//                                        bits of every argument are
//   "glEnable(0xB71)"                     enums, bitfields and names in hex
//   "spectrum 1.25"                       a request and the level it returned
//   "rand 41"                             a draw and the value it returned
// A test records what the core does into one stream, then writes what the
// show should do into a second stream (by calling the same GL functions and
// RecordSpectrum / RecordRand) and compares the two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// One recording: a line per call.
typedef std::vector<std::string> CallStream;

// The stream calls are written into now; null while nothing records.
extern CallStream* g_recording;

// From now on every call is written into stream (none when null).
void StartRecording(CallStream* stream);

// The k-th spectrum request (counted from ResetRecorder) returns
// levels[k % levels.size()], or 0 when levels is empty.
void SetSpectrumLevels(const std::vector<float>& levels);

// Forgets the spectrum requests and DevIL names handed out so far and stops
// recording; the level script stays.
void ResetRecorder();

// Writes a spectrum request and its level, or a draw and its value, into
// the current stream.
void RecordSpectrum(float level);
void RecordRand(int value);

// Formats one argument the way the recorder writes it.
std::string FormatArgument(float value);
std::string FormatArgument(double value);
std::string FormatArgument(int value);
std::string FormatArgument(unsigned value);
std::string FormatArgument(const char* value);

// Writes "name(a, b, ...)" into the current stream.
template <typename... Args>
void RecordCall(const char* name, Args... args)
{
    std::string line = name;
    line += '(';
    const char* separator = "";
    ((line += separator, line += FormatArgument(args), separator = ", "), ...);
    (void)separator;  // unused by calls without arguments
    line += ')';
    if (g_recording)
        g_recording->push_back(line);
}

// Equal streams; otherwise where they first part, with the calls around it.
::testing::AssertionResult IsSameStream(const CallStream& expected, const CallStream& actual);

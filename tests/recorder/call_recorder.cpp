// The recorder's streams, formats and comparison (see call_recorder.h).
#include "call_recorder.h"

#include <algorithm>
#include <cstdio>

CallStream* g_recording = nullptr;

void StartRecording(CallStream* stream)
{
    g_recording = stream;
}

void RecordSpectrum(float level)
{
    if (g_recording)
        g_recording->push_back("spectrum " + FormatArgument(level));
}

void RecordRand(int value)
{
    if (g_recording)
        g_recording->push_back("rand " + FormatArgument(value));
}

std::string FormatArgument(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string FormatArgument(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string FormatArgument(int value)
{
    return std::to_string(value);
}

std::string FormatArgument(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string FormatArgument(const char* value)
{
    return value ? std::string("\"") + value + "\"" : "null";
}

::testing::AssertionResult IsSameStream(const CallStream& expected, const CallStream& actual)
{
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    if (at == expected.size() && at == actual.size())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "streams part at call " << at << " of " << expected.size() << " expected, "
            << actual.size() << " made\n";
    for (size_t i = at >= 3 ? at - 3 : 0; i < at; ++i)
        failure << "      both: " << expected[i] << "\n";
    for (size_t i = at; i < std::min(at + 3, expected.size()); ++i)
        failure << "  expected: " << expected[i] << "\n";
    for (size_t i = at; i < std::min(at + 3, actual.size()); ++i)
        failure << "      made: " << actual[i] << "\n";
    return failure;
}

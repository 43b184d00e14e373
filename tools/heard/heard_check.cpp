// heard_check: what a player played, as the end-to-end tests (tests/e2e)
// recorded it from a sound server's null sink, checked against the track.
//
//   heard_check TRACK.ogg RECORDING.raw [--plays N]
//               [--reports FILE --lead LOW HIGH] [--lateness MS] [--judge-timing]
//
// RECORDING.raw is signed 16-bit mono at the track's rate. Prints every play
// of the track found in it and checks that each starts from the track's
// beginning, runs at real-time rate (within 0.5 %), has no gap (10 ms or
// more of silence where the track sounds) and no jump (the offset moving by
// more than 5 ms between two windows); with --plays, that there are exactly
// N plays; and that no sound in it is foreign to the track.
//
// --lateness MS: how late the machine woke a sleeping thread meanwhile
// (wake_probe). Past 20 ms the sound drivers under the program drop sound
// whatever it does and the recording falls into pieces, so everything but
// plain silence (no play expected) or no sound of the track at all (plays
// expected) is then printed but not judged.
//
// --reports FILE: the program's report lines (halvane-window and
// halvane-frame <demo time> <position bytes> <seconds since the frame's
// clock reading>). For each render window it prints how far the demo time
// (counted from where that window started the music) runs ahead of the music
// position the library reports, from the frames after the music is first
// heard, and checks it stays within [LOW, HIGH].
//
// --judge-timing: everything above is judged (the plays' starts within
// 0.05 s of the track's first sound, their number, rate, gaps, jumps, the
// demo time's lead, sound foreign to the track), as far as --lateness
// allows. Without it all of that is printed and noted, and only plain
// silence (no play expected) or no sound of the track at all (plays
// expected) fails: on a shared machine Wine's sound path drops and delays
// sound by chance even when sleeping threads wake in time.
//
// Exit code 0 when every check holds, 1 when one fails, 2 on bad input.
#include "heard_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double START_TOLERANCE_SECONDS = 0.05;
const double LATENESS_LIMIT_MS = 20.0;
const double RESTART_SILENCE_SECONDS = 1.0;
const double RATE_TOLERANCE = 0.005;
const double RATE_MIN_PLAY_SECONDS = 5.0;
const double STEP_TOLERANCE_MS = 5.0;

int s_failures = 0;
// False when the machine was too slow to serve the sound drivers.
bool s_machineInTime = true;
// True with --judge-timing: the plays' timing is judged, not only noted.
bool s_judgeTiming = false;

// Prints a failed check.
void Fail(const std::string& what)
{
    printf("FAIL: %s\n", what.c_str());
    ++s_failures;
}

// A failed check of the timing: a failure only when timing is judged and
// the machine served the sound drivers in time; otherwise noted.
void FailTiming(const std::string& what)
{
    if (!s_judgeTiming)
        printf("noted, not judged (without --judge-timing): %s\n", what.c_str());
    else if (!s_machineInTime)
        printf("not judged (the machine was too busy): %s\n", what.c_str());
    else
        Fail(what);
}

// The checks of the recording.
void CheckPlays(const HeardReport& report, int expectedPlays)
{
    printf("track: %.3f s, first sound at %.3f s\n", report.trackSeconds, report.trackFirstSound);
    int fromTheBeginning = 0;
    for (size_t i = 0; i < report.plays.size(); ++i) {
        const TrackPlay& play = report.plays[i];
        const int number = static_cast<int>(i) + 1;
        printf("%s\n", DescribePlay(play, number, report.trackFirstSound).c_str());
        char what[256];
        // The program needs seconds to start the music (again): a play that
        // follows a shorter silence is the rest of the one before, after a
        // jump that could not be followed. The first sound heard may lie in
        // the track's fade-in, before the sound the track's own threshold
        // finds.
        if (play.silenceBefore < RESTART_SILENCE_SECONDS) {
            snprintf(what, sizeof what, "play %d follows the one before after %.3f s of silence, at track time %.3f s",
                     number, play.silenceBefore, play.trackStart);
            FailTiming(what);
        } else if (play.trackStart <= report.trackFirstSound + START_TOLERANCE_SECONDS) {
            ++fromTheBeginning;
        } else {
            snprintf(what, sizeof what, "play %d does not start from the beginning: its first sound is track time %.3f s",
                     number, play.trackStart);
            FailTiming(what);
        }
        if (play.recordEnd - play.recordStart >= RATE_MIN_PLAY_SECONDS && std::fabs(play.rate - 1.0) > RATE_TOLERANCE) {
            snprintf(what, sizeof what, "play %d runs at %.4f times real time", number, play.rate);
            FailTiming(what);
        }
        if (play.gaps > 0) {
            snprintf(what, sizeof what, "play %d has %d gap(s), the longest %.0f ms", number, play.gaps, play.longestGapMs);
            FailTiming(what);
        }
        if (play.largestStepMs > STEP_TOLERANCE_MS) {
            snprintf(what, sizeof what, "play %d jumps: its offset moves by %.1f ms between two windows", number,
                     play.largestStepMs);
            FailTiming(what);
        }
    }
    for (double at : report.unmatchedSound) {
        char what[128];
        snprintf(what, sizeof what, "sound at %.3f s of the recording is no part of the track", at);
        if (expectedPlays == 0)
            Fail(what);
        else
            FailTiming(what);
    }
    if (expectedPlays < 0)
        return;
    char what[128];
    snprintf(what, sizeof what, "%d play(s) of the track from its beginning heard, not %d", fromTheBeginning,
             expectedPlays);
    // A machine too busy for the sound drivers breaks plays into pieces
    // that cannot be told from restarts; silence, or no sound of the track
    // at all, is still plain.
    if (expectedPlays == 0 ? !report.plays.empty() : report.plays.empty())
        Fail(what);
    else if (fromTheBeginning != expectedPlays)
        FailTiming(what);
}

// Demo time minus music position, per render window, from the reports.
void CheckPositionLead(const char* path, double bytesPerSecond, double low, double high)
{
    std::ifstream file(path);
    if (!file) {
        Fail(std::string("cannot read ") + path);
        return;
    }
    // Each window starts the music from its beginning at the demo time the
    // previous window ended with (0.3 for the first): the lead is measured
    // from there.
    std::vector<std::vector<double>> leads;
    double playStart = 0.3, lastDemoTime = 0.3;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == "halvane-window") {
            leads.emplace_back();
            playStart = lastDemoTime;
        } else if (name == "halvane-frame" && !leads.empty()) {
            double demoTime = 0.0, lag = 0.0;
            long long bytes = -1;
            if (!(fields >> demoTime >> bytes >> lag))
                continue;
            lastDemoTime = demoTime;
            if (bytes > 0)
                leads.back().push_back(demoTime + lag - (playStart - 0.3) - bytes / bytesPerSecond);
        }
    }
    for (size_t w = 0; w < leads.size(); ++w) {
        std::vector<double> lead = leads[w];
        if (lead.empty()) {
            printf("window %zu: no frame with the music playing\n", w + 1);
            continue;
        }
        std::sort(lead.begin(), lead.end());
        printf("window %zu: demo time ahead of the music position by %.4f / %.4f / %.4f s "
               "(least / median / most, %zu frames)\n",
               w + 1, lead.front(), lead[lead.size() / 2], lead.back(), lead.size());
        if (lead.front() < low || lead.back() > high) {
            char what[160];
            snprintf(what, sizeof what, "window %zu: the demo time's lead leaves [%.3f, %.3f] s", w + 1, low, high);
            FailTiming(what);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: heard_check TRACK.ogg RECORDING.raw [--plays N] [--reports FILE --lead LOW HIGH] [--lateness MS] [--judge-timing]\n");
        return 2;
    }
    int expectedPlays = -1;
    const char* reports = nullptr;
    double low = -1e9, high = 1e9;
    for (int i = 3; i < argc; ++i) {
        if (!strcmp(argv[i], "--plays") && i + 1 < argc) {
            expectedPlays = atoi(argv[++i]);
        } else if (!strcmp(argv[i], "--reports") && i + 1 < argc) {
            reports = argv[++i];
        } else if (!strcmp(argv[i], "--lateness") && i + 1 < argc) {
            const double lateness = atof(argv[++i]);
            s_machineInTime = lateness <= LATENESS_LIMIT_MS;
            printf("a sleeping thread woke up to %.1f ms late meanwhile: timing %s\n", lateness,
                   s_machineInTime ? "judged" : "not judged");
        } else if (!strcmp(argv[i], "--judge-timing")) {
            s_judgeTiming = true;
        } else if (!strcmp(argv[i], "--lead") && i + 2 < argc) {
            low = atof(argv[++i]);
            high = atof(argv[++i]);
        } else {
            fprintf(stderr, "heard_check: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    // A hog at normal priority breaks Wine's sound up while sleeping threads
    // still wake in time, so without --judge-timing only plain silence or
    // the track's absence fails.
    if (!s_judgeTiming)
        printf("timing and plays noted, not judged (run with --judge-timing on a quiet machine)\n");
    MonoSignal track, recording;
    if (!DecodeOggMono(argv[1], &track)) {
        fprintf(stderr, "heard_check: cannot decode %s\n", argv[1]);
        return 2;
    }
    if (!ReadRawMono16(argv[2], track.rate, &recording)) {
        fprintf(stderr, "heard_check: cannot read %s\n", argv[2]);
        return 2;
    }
    printf("recording: %.3f s\n", recording.samples.size() / static_cast<double>(recording.rate));
    CheckPlays(FindTrackPlays(track, recording), expectedPlays);
    if (reports)
        CheckPositionLead(reports, 2.0 * track.channels * track.rate, low, high);
    printf("%s\n", s_failures ? "heard_check: FAILED" : "heard_check: ok");
    return s_failures ? 1 : 0;
}

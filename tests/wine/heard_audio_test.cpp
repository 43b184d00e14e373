// The sound checks' own test: recordings made up from a synthetic track the
// way Wine and a sound server deliver them (a slightly different rate by
// linear interpolation, quiet lead-in, a restart after a pause) with the
// faults the checks exist for: a gap, a jump, a start in the middle, sound
// lost right after the start, a slow clock. A bar that repeats exactly
// except for varied hats, like the show's music, so the long first window
// has to tell bars apart.
#include "heard_audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

const int RATE = 44100;

// 24 s at 120 beats a minute: a kick on every beat, a bass note per bar
// from a short sequence, hats whose loudness changes hit by hit.
MonoSignal MakeTrack()
{
    MonoSignal track;
    track.rate = RATE;
    track.samples.assign(24 * RATE, 0.0f);
    uint32_t noise = 1;
    const double bass[] = { 55.0, 65.4, 49.0, 73.4, 55.0, 82.4 };
    for (size_t i = static_cast<size_t>(RATE / 2); i < track.samples.size(); ++i) {
        const double t = static_cast<double>(i) / RATE;
        const double beat = std::fmod(t, 0.5);
        const double kick = std::exp(-beat * 30.0) * std::sin(2.0 * M_PI * (50.0 + 80.0 * std::exp(-beat * 40.0)) * beat);
        const int bar = static_cast<int>(t / 2.0);
        const double note = 0.25 * std::sin(2.0 * M_PI * bass[bar % 6] * t);
        const int hit = static_cast<int>(t / 0.125);
        noise = noise * 214013u + 2531011u;
        const double white = ((noise >> 16) & 0x7FFF) / 16384.0 - 1.0;
        const double hatLevel = 0.05 + 0.1 * (((hit * 2654435761u) >> 7) % 8) / 8.0;
        const double hat = hatLevel * white * std::exp(-std::fmod(t, 0.125) * 60.0);
        track.samples[i] = static_cast<float>(0.5 * kick + note + hat);
    }
    return track;
}

// Appends `seconds` of the track from `from`, played `speed` times as fast
// (linear interpolation, as a resampler would roughly do).
void AppendPlay(const MonoSignal& track, double from, double seconds, double speed, MonoSignal* recording)
{
    const long count = std::lround(seconds * RATE);
    for (long i = 0; i < count; ++i) {
        const double position = from * RATE + i * speed;
        const long at = static_cast<long>(position);
        const double share = position - at;
        float value = 0.0f;
        if (at + 1 < static_cast<long>(track.samples.size()))
            value = static_cast<float>(track.samples[at] * (1.0 - share) + track.samples[at + 1] * share);
        recording->samples.push_back(0.8f * value);
    }
}

void AppendSilence(double seconds, MonoSignal* recording)
{
    recording->samples.insert(recording->samples.end(), static_cast<size_t>(std::lround(seconds * RATE)), 0.0f);
}

MonoSignal NewRecording()
{
    MonoSignal recording;
    recording.rate = RATE;
    return recording;
}

}  // namespace

// Two whole plays from the start at a rate just off real time: both found,
// the rate measured, no gap; a jump, a gap or a start in the middle shows.
TEST(HeardAudio, FindsPlaysTheirRateGapsAndJumps)
{
    const MonoSignal track = MakeTrack();

    MonoSignal clean = NewRecording();
    AppendSilence(0.7, &clean);
    AppendPlay(track, 0.0, 14.0, 1.0001, &clean);
    AppendSilence(1.5, &clean);
    AppendPlay(track, 0.0, 12.0, 1.0001, &clean);
    AppendSilence(0.5, &clean);
    HeardReport report = FindTrackPlays(track, clean);
    EXPECT_NEAR(report.trackFirstSound, 0.5, 0.006);
    ASSERT_EQ(report.plays.size(), 2u);
    EXPECT_TRUE(report.unmatchedSound.empty());
    for (const TrackPlay& play : report.plays) {
        EXPECT_NEAR(play.trackStart, report.trackFirstSound, 0.01);
        EXPECT_NEAR(play.rate, 1.0001, 0.00002);
        EXPECT_EQ(play.gaps, 0);
        EXPECT_EQ(play.silentBlocks20Ms, 0);
        EXPECT_LT(play.largestStepMs, 1.0);
        EXPECT_LT(play.offsetSpreadMs, 0.5);
        EXPECT_GT(play.matchValue, 0.9);
        EXPECT_LT(play.matchRunnerUp, 0.9 * play.matchValue);
    }
    EXPECT_NEAR(report.plays[0].recordStart, 0.7 + 0.5 / 1.0001, 0.01);
    EXPECT_NEAR(report.plays[1].recordStart, 0.7 + 14.0 + 1.5 + 0.5 / 1.0001, 0.01);

    // An underrun: 12 ms of silence, after which the music goes on where it
    // was (later by the silence).
    MonoSignal gap = NewRecording();
    AppendSilence(0.3, &gap);
    AppendPlay(track, 0.0, 7.0, 1.0, &gap);
    AppendSilence(0.012, &gap);
    AppendPlay(track, 7.0, 7.0, 1.0, &gap);
    report = FindTrackPlays(track, gap);
    ASSERT_EQ(report.plays.size(), 1u);
    EXPECT_EQ(report.plays[0].gaps, 1);
    EXPECT_NEAR(report.plays[0].longestGapMs, 12.0, 2.0);
    EXPECT_NEAR(report.plays[0].largestStepMs, 12.0, 1.0);

    // A skip with no silence (audio lost), and a play that begins mid-track.
    MonoSignal skip = NewRecording();
    AppendPlay(track, 0.0, 6.0, 1.0, &skip);
    AppendPlay(track, 6.04, 6.0, 1.0, &skip);
    AppendSilence(1.0, &skip);
    AppendPlay(track, 9.0, 6.0, 1.0, &skip);
    report = FindTrackPlays(track, skip);
    ASSERT_EQ(report.plays.size(), 2u);
    EXPECT_EQ(report.plays[0].gaps, 0);
    EXPECT_NEAR(report.plays[0].largestStepMs, 40.0, 1.0);
    EXPECT_NEAR(report.plays[1].trackStart, 9.0, 0.01);

    // Sound lost soon after the start moves the long first window's match
    // on; the play is still placed by what was heard first.
    MonoSignal early = NewRecording();
    AppendSilence(0.3, &early);
    AppendPlay(track, 0.0, 0.8, 1.0, &early);
    AppendPlay(track, 1.1, 12.0, 1.0, &early);
    report = FindTrackPlays(track, early);
    ASSERT_EQ(report.plays.size(), 1u);
    EXPECT_NEAR(report.plays[0].trackStart, report.trackFirstSound, 0.01);

    // A clock 0.4 % slow is measured; one 1 % slow does not pass unseen
    // (no window matches the track for long).
    MonoSignal slow = NewRecording();
    AppendPlay(track, 0.0, 12.0, 0.996, &slow);
    report = FindTrackPlays(track, slow);
    ASSERT_EQ(report.plays.size(), 1u);
    EXPECT_NEAR(report.plays[0].rate, 0.996, 0.0002);
    MonoSignal slower = NewRecording();
    AppendPlay(track, 0.0, 12.0, 0.99, &slower);
    report = FindTrackPlays(track, slower);
    EXPECT_TRUE(report.plays.empty());
    EXPECT_EQ(report.unmatchedSound.size(), 1u);

    // Noise that is no part of the track.
    MonoSignal foreign = NewRecording();
    uint32_t state = 7;
    for (int i = 0; i < 4 * RATE; ++i) {
        state = state * 1664525u + 1013904223u;
        foreign.samples.push_back(static_cast<float>(static_cast<int32_t>(state) / 4294967296.0));
    }
    report = FindTrackPlays(track, foreign);
    EXPECT_TRUE(report.plays.empty());
    EXPECT_EQ(report.unmatchedSound.size(), 1u);
}

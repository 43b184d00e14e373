// Finds the plays of the track in a recording. Each play is found by a long
// window (8 s, so that the repeating beat cannot match the wrong bar; shorter
// only when that matches nothing) laid against the whole track, then followed window by window (1 s every 0.5 s,
// searched 0.25 s either side of where it was) until the recording falls
// silent where the track sounds, or stops matching. Along each play the
// loudness of the recording over short spans is compared with the track's at
// the found offset: a span at a tenth of the expected loudness is silent.
#include "heard_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

const double BLOCK_SECONDS = 0.005;
const double RECORDING_SOUND_LEVEL = 3e-4;   // about -70 dB of full scale
const double TRACK_SOUND_SHARE = 0.02;       // of the track's overall loudness
const double GLOBAL_SECONDS = 8.0;
const double GLOBAL_MIN_SECONDS = 2.0;
const double LOCAL_SECONDS = 1.0;
const double LOCAL_HOP_SECONDS = 0.5;
const double LOCAL_REACH_SECONDS = 0.25;
const double REJOIN_SECONDS = 2.0;
const double REJOIN_REACH_SECONDS = 1.0;
const double REJOIN_WINDOW_SECONDS = 4.0;
const double CLEAR_SHARE = 0.9;
const double MATCH_LEVEL = 0.5;
const double END_SILENCE_SECONDS = 0.1;
const double SILENT_SHARE = 0.1;
const int DECIMATION = 4;
// The play's first sound is placed in the track by a short window of its
// own, searched this far either side of where the long first window puts it.
const double START_WINDOW_SECONDS = 0.25;
const double START_REACH_SECONDS = 1.0;

// Running sums of squares: the loudness of any stretch in constant time.
struct EnergyPrefix {
    std::vector<double> sums;

    explicit EnergyPrefix(const std::vector<float>& samples) : sums(samples.size() + 1, 0.0)
    {
        for (size_t i = 0; i < samples.size(); ++i)
            sums[i + 1] = sums[i] + static_cast<double>(samples[i]) * samples[i];
    }
    // RMS of samples [from, to), the part outside the signal counted silent.
    double Rms(long from, long to) const
    {
        if (to <= from)
            return 0.0;
        const long size = static_cast<long>(sums.size()) - 1;
        const long a = std::clamp(from, 0L, size), b = std::clamp(to, 0L, size);
        return std::sqrt(std::max(0.0, sums[b] - sums[a]) / static_cast<double>(to - from));
    }
};

// Averages groups of samples: enough resolution to find a bar, a quarter
// of the work.
std::vector<float> Decimate(const std::vector<float>& samples, int factor, size_t paddingAfter)
{
    std::vector<float> out(samples.size() / factor + paddingAfter, 0.0f);
    for (size_t i = 0; i < samples.size() / factor; ++i) {
        float sum = 0.0f;
        for (int j = 0; j < factor; ++j)
            sum += samples[i * factor + j];
        out[i] = sum / factor;
    }
    return out;
}

// The analysis of one recording against the track.
struct PlayFinder {
    const MonoSignal& track;
    const MonoSignal& recording;
    EnergyPrefix trackEnergy, recordingEnergy;
    std::vector<float> trackCoarse, recordingCoarse;
    double rate;
    long block;
    double trackSoundLevel;
    std::unique_ptr<ReferenceCorrelator> wholeTrack;   // the coarse track, for the long windows

    PlayFinder(const MonoSignal& t, const MonoSignal& r)
        : track(t), recording(r), trackEnergy(t.samples), recordingEnergy(r.samples),
          trackCoarse(Decimate(t.samples, DECIMATION, static_cast<size_t>(GLOBAL_SECONDS * t.rate / DECIMATION))),
          recordingCoarse(Decimate(r.samples, DECIMATION, 0)), rate(t.rate),
          block(std::lround(BLOCK_SECONDS * t.rate))
    {
        trackSoundLevel = TRACK_SOUND_SHARE * trackEnergy.Rms(0, static_cast<long>(t.samples.size()));
        wholeTrack = std::make_unique<ReferenceCorrelator>(trackCoarse.data(), trackCoarse.size());
    }

    double RecordingSeconds() const { return recording.samples.size() / rate; }
    double TrackSeconds() const { return track.samples.size() / rate; }
    long Sample(double seconds) const { return std::lround(seconds * rate); }

    bool RecordingSounds(double at) const
    {
        return recordingEnergy.Rms(Sample(at), Sample(at) + block) > RECORDING_SOUND_LEVEL;
    }
    bool RecordingSoundsIn(double from, double to) const
    {
        for (double t = from; t < to; t += BLOCK_SECONDS)
            if (RecordingSounds(t))
                return true;
        return false;
    }
    bool TrackSoundsIn(double from, double to) const
    {
        for (double t = from; t < to; t += BLOCK_SECONDS)
            if (trackEnergy.Rms(Sample(t), Sample(t) + block) > trackSoundLevel)
                return true;
        return false;
    }
    // First sound at or after `from`; negative when there is none.
    double NextSound(double from) const
    {
        for (double t = from; t + BLOCK_SECONDS <= RecordingSeconds(); t += BLOCK_SECONDS)
            if (RecordingSounds(t))
                return t;
        return -1.0;
    }
    // How long the recording is silent right before `at` (at most 2 s; the
    // recording's start counts as silence before it).
    double SilenceBefore(double at) const
    {
        double t = at;
        while (t > at - 2.0) {
            if (t - BLOCK_SECONDS < 0.0)
                return 2.0;
            if (RecordingSounds(t - BLOCK_SECONDS))
                break;
            t -= BLOCK_SECONDS;
        }
        return at - t;
    }

    // Start of the first silence of END_SILENCE_SECONDS in [from, to).
    double NextSilence(double from, double to) const
    {
        double silentSince = -1.0;
        for (double t = from; t + BLOCK_SECONDS <= std::min(to, RecordingSeconds()); t += BLOCK_SECONDS) {
            if (RecordingSounds(t)) {
                silentSince = -1.0;
            } else {
                if (silentSince < 0.0)
                    silentSince = t;
                if (t + BLOCK_SECONDS - silentSince >= END_SILENCE_SECONDS - 1e-9)
                    return silentSince;
            }
        }
        return -1.0;
    }

    // Lines up the recording from `at` with the whole track: GLOBAL_SECONDS
    // first, shorter stretches when that matches nothing (a clock far off
    // real time smears a long one); false when nothing matches.
    bool AlignAnywhere(double at, TrackPlay* play, double* offset) const
    {
        for (double length = GLOBAL_SECONDS; length >= GLOBAL_MIN_SECONDS; length /= 2) {
            if (length > RecordingSeconds() - at)
                continue;
            const size_t from = static_cast<size_t>(Sample(at) / DECIMATION);
            const size_t count = static_cast<size_t>(length * rate / DECIMATION);
            const CorrelationPeak peak = wholeTrack->Find(recordingCoarse.data() + from, count,
                                                          static_cast<size_t>(0.2 * rate / DECIMATION));
            play->matchValue = peak.value;
            play->matchRunnerUp = peak.runnerUp;
            if (peak.value < MATCH_LEVEL)
                continue;
            // Refined at full rate around the coarse answer.
            const double coarseOffset = at - peak.lag * DECIMATION / rate;
            CorrelationPeak fine;
            if (!AlignNear(at, coarseOffset, 0.01, LOCAL_SECONDS, &fine, offset) || fine.value < MATCH_LEVEL)
                *offset = coarseOffset;
            return true;
        }
        return false;
    }

    // Lines up `window` seconds of the recording from `at` with the track
    // within `reach` of the offset it had; false when the window does not
    // fit in the recording.
    bool AlignNear(double at, double offset, double reach, double window, CorrelationPeak* peak, double* found) const
    {
        const long windowFrom = Sample(at);
        const long windowLength = Sample(window);
        if (windowFrom + windowLength > static_cast<long>(recording.samples.size()))
            return false;
        const long referenceFrom = Sample(at - offset - reach);
        const long referenceLength = windowLength + 2 * Sample(reach);
        std::vector<float> reference(static_cast<size_t>(referenceLength), 0.0f);
        for (long i = 0; i < referenceLength; ++i) {
            const long j = referenceFrom + i;
            if (j >= 0 && j < static_cast<long>(track.samples.size()))
                reference[static_cast<size_t>(i)] = track.samples[static_cast<size_t>(j)];
        }
        *peak = FindBestLag(recording.samples.data() + windowFrom, static_cast<size_t>(windowLength),
                            reference.data(), reference.size(), static_cast<size_t>(Sample(0.1)));
        *found = at - (referenceFrom + peak->lag) / rate;
        return true;
    }

    // The track time heard at a play's first sound `start`, which the long
    // first window places at `estimate`: that window lines up where most of
    // it lies, so each gap (sound delayed) or skip (sound lost) in it moves
    // the estimate off what was heard first. Keeps the estimate when the
    // short window matches nothing.
    double PlaceStart(double start, double estimate) const
    {
        const long windowFrom = Sample(start);
        const long windowLength = Sample(START_WINDOW_SECONDS);
        if (windowFrom + windowLength > static_cast<long>(recording.samples.size()))
            return estimate;
        const double from = std::max(0.0, estimate - START_REACH_SECONDS);
        const long referenceFrom = Sample(from);
        const long referenceLength = Sample(estimate + START_REACH_SECONDS + START_WINDOW_SECONDS) - referenceFrom;
        std::vector<float> reference(static_cast<size_t>(referenceLength), 0.0f);
        for (long i = 0; i < referenceLength && referenceFrom + i < static_cast<long>(track.samples.size()); ++i)
            reference[static_cast<size_t>(i)] = track.samples[static_cast<size_t>(referenceFrom + i)];
        const CorrelationPeak peak = FindBestLag(recording.samples.data() + windowFrom, static_cast<size_t>(windowLength),
                                                 reference.data(), reference.size(), static_cast<size_t>(Sample(0.1)));
        return peak.value >= MATCH_LEVEL ? from + peak.lag / rate : estimate;
    }

    // The one-window step of following: true when it lines up well.
    bool FollowWindow(double at, double offset, double* found, double* correlation) const
    {
        CorrelationPeak peak;
        if (!AlignNear(at, offset, LOCAL_REACH_SECONDS, LOCAL_SECONDS, &peak, found))
            return false;
        *correlation = peak.value;
        return peak.value >= MATCH_LEVEL;
    }

    // Where following lost the track at `at`: the first stretch within
    // REJOIN_SECONDS that lines up again within REJOIN_REACH_SECONDS of the
    // offset it had (a gap or a jump inside the play, not a new play). The
    // stretch is long and its match must stand clear of the others, so
    // that the beat alone cannot pass for the track.
    bool Rejoin(double at, double offset, double* rejoinedAt, double* found, double* correlation) const
    {
        for (double t = at; t <= at + REJOIN_SECONDS; t += LOCAL_HOP_SECONDS) {
            if (!RecordingSoundsIn(t, t + LOCAL_SECONDS))
                continue;
            CorrelationPeak peak;
            if (AlignNear(t, offset, REJOIN_REACH_SECONDS, REJOIN_WINDOW_SECONDS, &peak, found) &&
                peak.value >= MATCH_LEVEL && peak.runnerUp < CLEAR_SHARE * peak.value) {
                *rejoinedAt = t;
                *correlation = peak.value;
                return true;
            }
        }
        return false;
    }

    // Follows a play from `start` at `offset` until the recording falls
    // silent where the track sounds, or stops matching, and does not rejoin
    // the track; returns where the next search begins (negative: the
    // recording is used up).
    double FollowPlay(double start, double offset, TrackPlay* play) const
    {
        play->recordStart = start;
        play->silenceBefore = SilenceBefore(start);
        play->trackStart = PlaceStart(start, start - offset);
        double at = start, matchedUntil = start;
        for (;;) {
            const double trackAt = at - offset;
            if (at + LOCAL_SECONDS > RecordingSeconds() || trackAt >= TrackSeconds())
                break;
            double found = offset, correlation = 0.0;
            bool matched = false;
            if (RecordingSoundsIn(at, at + LOCAL_SECONDS)) {
                matched = FollowWindow(at, offset, &found, &correlation);
            } else if (!TrackSoundsIn(trackAt, trackAt + LOCAL_SECONDS)) {
                at += LOCAL_HOP_SECONDS;   // both quiet
                continue;
            }
            if (!matched && !Rejoin(at, offset, &at, &found, &correlation))
                break;
            play->offsets.push_back({ at + LOCAL_SECONDS / 2, found, correlation });
            offset = found;
            matchedUntil = at + LOCAL_SECONDS;
            at += LOCAL_HOP_SECONDS;
        }
        if (play->offsets.empty())
            play->offsets.push_back({ start, offset, play->matchValue });
        // The play ends where the recording first falls silent within or
        // after the last window that matched.
        const double searchFrom = std::max(start, matchedUntil - LOCAL_SECONDS);
        const double silence = NextSilence(searchFrom, matchedUntil + REJOIN_SECONDS + END_SILENCE_SECONDS);
        if (silence >= 0.0) {
            play->recordEnd = silence;
            return NextSound(silence);
        }
        play->recordEnd = std::min(matchedUntil, RecordingSeconds());
        return matchedUntil < RecordingSeconds() ? matchedUntil : -1.0;
    }

    // The offset at a recording time: straight between the found ones.
    static double OffsetAt(const TrackPlay& play, double at)
    {
        const std::vector<OffsetSample>& o = play.offsets;
        if (at <= o.front().recordSeconds)
            return o.front().offsetSeconds;
        for (size_t i = 1; i < o.size(); ++i) {
            if (at <= o[i].recordSeconds) {
                const double share = (at - o[i - 1].recordSeconds) / (o[i].recordSeconds - o[i - 1].recordSeconds);
                return o[i - 1].offsetSeconds + share * (o[i].offsetSeconds - o[i - 1].offsetSeconds);
            }
        }
        return o.back().offsetSeconds;
    }

    // The straight fit of the offsets: rate, spread and steps.
    static void MeasureOffsets(TrackPlay* play)
    {
        const std::vector<OffsetSample>& o = play->offsets;
        for (size_t i = 1; i < o.size(); ++i)
            play->largestStepMs = std::max(play->largestStepMs, 1000.0 * std::fabs(o[i].offsetSeconds - o[i - 1].offsetSeconds));
        if (o.size() < 3)
            return;
        double meanT = 0.0, meanO = 0.0;
        for (const OffsetSample& s : o) {
            meanT += s.recordSeconds;
            meanO += s.offsetSeconds;
        }
        meanT /= o.size();
        meanO /= o.size();
        double covariance = 0.0, variance = 0.0;
        for (const OffsetSample& s : o) {
            covariance += (s.recordSeconds - meanT) * (s.offsetSeconds - meanO);
            variance += (s.recordSeconds - meanT) * (s.recordSeconds - meanT);
        }
        const double slope = variance > 0.0 ? covariance / variance : 0.0;
        play->rate = 1.0 - slope;
        for (const OffsetSample& s : o) {
            const double fit = meanO + slope * (s.recordSeconds - meanT);
            play->offsetSpreadMs = std::max(play->offsetSpreadMs, 1000.0 * std::fabs(s.offsetSeconds - fit));
        }
    }

    // Whether the `length` seconds from recording time `t` are silent
    // where the track sounds.
    bool IsSilentSpan(const TrackPlay& play, double t, double length, double gain) const
    {
        const double trackAt = t - OffsetAt(play, t + length / 2);
        const double expected = trackEnergy.Rms(Sample(trackAt), Sample(trackAt + length));
        const double heard = recordingEnergy.Rms(Sample(t), Sample(t + length));
        return expected > trackSoundLevel && heard < SILENT_SHARE * gain * expected;
    }

    // How loud the recording is against the track (median of block ratios).
    double MeasureGain(const TrackPlay& play) const
    {
        std::vector<double> ratios;
        for (double t = play.recordStart; t + BLOCK_SECONDS <= play.recordEnd; t += BLOCK_SECONDS) {
            const double trackAt = t - OffsetAt(play, t);
            const double expected = trackEnergy.Rms(Sample(trackAt), Sample(trackAt) + block);
            const double heard = recordingEnergy.Rms(Sample(t), Sample(t) + block);
            if (expected > trackSoundLevel && heard > 0.0)
                ratios.push_back(heard / expected);
        }
        if (ratios.empty())
            return 1.0;
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        return ratios[ratios.size() / 2];
    }

    // Gaps: every 10 ms span, moved on by 1 ms, that is silent where the
    // track sounds; overlapping spans make one gap. And the 20 ms blocks
    // that are silent, side by side.
    void MeasureSilences(TrackPlay* play) const
    {
        const double gain = MeasureGain(*play);
        const double span = 0.010, step = 0.001;
        double gapStart = -1.0, gapEnd = -1.0;
        const int spans = static_cast<int>((play->recordEnd - play->recordStart - span) / step) + 1;
        for (int i = 0; i <= spans; ++i) {
            const double t = play->recordStart + i * step;
            if (i < spans && IsSilentSpan(*play, t, span, gain)) {
                if (gapStart < 0.0)
                    gapStart = t;
                gapEnd = t + span;
            } else if (gapStart >= 0.0) {
                ++play->gaps;
                play->longestGapMs = std::max(play->longestGapMs, 1000.0 * (gapEnd - gapStart));
                gapStart = -1.0;
            }
        }
        for (double t = play->recordStart; t + 0.020 <= play->recordEnd; t += 0.020)
            play->silentBlocks20Ms += IsSilentSpan(*play, t, 0.020, gain) ? 1 : 0;
    }
};

}  // namespace

HeardReport FindTrackPlays(const MonoSignal& track, const MonoSignal& recording)
{
    HeardReport report;
    if (track.samples.empty() || track.rate != recording.rate)
        return report;
    const PlayFinder finder(track, recording);
    report.trackSeconds = finder.TrackSeconds();
    for (double t = 0.0; t < report.trackSeconds; t += BLOCK_SECONDS) {
        if (finder.TrackSoundsIn(t, t + BLOCK_SECONDS / 2)) {
            report.trackFirstSound = t;
            break;
        }
    }
    double at = finder.NextSound(0.0);
    while (at >= 0.0) {
        // Too short a rest to line up is left alone: a play's last sound.
        if (finder.RecordingSeconds() - at < GLOBAL_MIN_SECONDS)
            break;
        TrackPlay play;
        double offset;
        if (!finder.AlignAnywhere(at, &play, &offset)) {
            // Sound that is no part of the track: searched again only after
            // a silence and at least a second on.
            report.unmatchedSound.push_back(at);
            const double silence = finder.NextSilence(at + 1.0, finder.RecordingSeconds());
            at = silence >= 0.0 ? finder.NextSound(silence) : -1.0;
            continue;
        }
        // A play that could not be followed past its first window still
        // moves the search on.
        const double next = finder.FollowPlay(at, offset, &play);
        at = next >= 0.0 && next <= at ? at + LOCAL_HOP_SECONDS : next;
        PlayFinder::MeasureOffsets(&play);
        finder.MeasureSilences(&play);
        report.plays.push_back(play);
    }
    return report;
}

std::string DescribePlay(const TrackPlay& play, int number, double trackFirstSound)
{
    char line[512];
    snprintf(line, sizeof line,
             "play %d: recording %.3f-%.3f s (%.1f s), track %.3f s at its first sound (the track's first sound: %.3f s); "
             "rate %.6f (%+.4f %%), offsets within %.2f ms of a straight line, largest step %.2f ms; "
             "%d gap(s) of 10 ms or more (longest %.0f ms), %d silent 20 ms block(s); "
             "first match %.3f (elsewhere at most %.3f)",
             number, play.recordStart, play.recordEnd, play.recordEnd - play.recordStart, play.trackStart,
             trackFirstSound, play.rate, (play.rate - 1.0) * 100.0, play.offsetSpreadMs, play.largestStepMs,
             play.gaps, play.longestGapMs, play.silentBlocks20Ms, play.matchValue, play.matchRunnerUp);
    return line;
}

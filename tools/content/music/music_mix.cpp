// The track's mixing desk (see music_mix.h): the pump, a hall reverb made of
// comb and all-pass filters, a ping-pong delay, and a look-ahead limiter that
// holds the peaks under the master ceiling.
#include "tools/content/music/music_mix.h"

#include <algorithm>
#include <cmath>
#include <deque>

MusicMix g_musicMix;

// Overall level of the mix before the limiter.
static const float MASTER_GAIN = 0.6f;
// Return levels of the two effects.
static const float REVERB_RETURN = 0.16f;
static const float DELAY_RETURN = 0.55f;
// Delay time: a dotted eighth at 120 beats a minute.
static const double DELAY_SECONDS = 0.375;
static const float DELAY_FEEDBACK = 0.38f;

void ResetMusicMix()
{
    ClearBus(g_musicMix.dry);
    ClearBus(g_musicMix.pumped);
    g_musicMix.reverbSend.assign(MusicFrameCount(), 0.0f);
    g_musicMix.delaySend.assign(MusicFrameCount(), 0.0f);
    g_musicMix.pumpGain.assign(MusicFrameCount(), 1.0f);
}

void PumpAt(double demoTime, float depth)
{
    long start = SampleAtDemoTime(demoTime);
    long attack = (long)(0.004 * MUSIC_RATE);
    long length = (long)(0.45 * MUSIC_RATE);
    std::vector<float>& gain = g_musicMix.pumpGain;
    for (long n = 0; n < length; ++n) {
        long i = start + n;
        if (i < 0 || (size_t)i >= gain.size())
            continue;
        double dip;
        if (n < attack)
            dip = (double)n / attack;
        else
            dip = std::exp(-(double)(n - attack) / (0.1 * MUSIC_RATE));
        float g = (float)(1.0 - depth * dip);
        gain[(size_t)i] = std::min(gain[(size_t)i], g);
    }
}

// One feedback comb filter with a damped loop, as in the classic hall design.
struct CombFilter {
    std::vector<float> line;
    size_t at = 0;
    float store = 0.0f;
};

// One all-pass diffuser.
struct AllPassFilter {
    std::vector<float> line;
    size_t at = 0;
};

// Runs one sample through a comb filter.
static float RunComb(CombFilter& c, float x, float feedback, float damp)
{
    float out = c.line[c.at];
    c.store = out * (1.0f - damp) + c.store * damp;
    c.line[c.at] = x + c.store * feedback;
    if (++c.at == c.line.size()) c.at = 0;
    return out;
}

// Runs one sample through an all-pass diffuser.
static float RunAllPass(AllPassFilter& a, float x)
{
    float delayed = a.line[a.at];
    float out = delayed - x;
    a.line[a.at] = x + delayed * 0.5f;
    if (++a.at == a.line.size()) a.at = 0;
    return out;
}

// Turns the mono reverb send into a wide stereo hall and adds it to the outputs.
static void AddReverb(const std::vector<float>& send, std::vector<float>& left,
                      std::vector<float>& right)
{
    // Delay lengths in frames at 44.1 kHz; the right side is spread by 23.
    const int COMB_FRAMES[8] = { 1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617 };
    const int ALLPASS_FRAMES[4] = { 556, 441, 341, 225 };
    const int SPREAD = 23;
    CombFilter combs[2][8];
    AllPassFilter allPasses[2][4];
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 8; ++i)
            combs[side][i].line.assign((size_t)(COMB_FRAMES[i] + side * SPREAD), 0.0f);
        for (int i = 0; i < 4; ++i)
            allPasses[side][i].line.assign((size_t)(ALLPASS_FRAMES[i] + side * SPREAD), 0.0f);
    }
    const float feedback = 0.86f, damp = 0.35f;
    for (size_t n = 0; n < send.size(); ++n) {
        float x = send[n] * 0.1f;
        float out[2];
        for (int side = 0; side < 2; ++side) {
            float sum = 0.0f;
            for (int i = 0; i < 8; ++i)
                sum += RunComb(combs[side][i], x, feedback, damp);
            for (int i = 0; i < 4; ++i)
                sum = RunAllPass(allPasses[side][i], sum);
            out[side] = sum;
        }
        // A little cross-feed keeps the hall wide but not split in two.
        left[n] += REVERB_RETURN * (out[0] * 0.85f + out[1] * 0.15f) * 10.0f;
        right[n] += REVERB_RETURN * (out[1] * 0.85f + out[0] * 0.15f) * 10.0f;
    }
}

// Adds a ping-pong echo of the mono delay send: repeats alternate left and
// right and lose their highs as they fade.
static void AddDelay(const std::vector<float>& send, std::vector<float>& left,
                     std::vector<float>& right)
{
    size_t lineFrames = (size_t)(DELAY_SECONDS * MUSIC_RATE);
    std::vector<float> lineL(lineFrames, 0.0f), lineR(lineFrames, 0.0f);
    Svf toneL, toneR;
    TuneSvf(toneL, 3200.0, 0.7);
    TuneSvf(toneR, 3200.0, 0.7);
    size_t at = 0;
    for (size_t n = 0; n < send.size(); ++n) {
        float echoL = lineL[at], echoR = lineR[at];
        // The left line is fed by the input and the right echo; the right by the left.
        lineL[at] = send[n] + LowPass(toneL, echoR) * DELAY_FEEDBACK;
        lineR[at] = LowPass(toneR, echoL);
        if (++at == lineFrames) at = 0;
        left[n] += echoL * DELAY_RETURN;
        right[n] += echoR * DELAY_RETURN;
    }
}

void LimitPeaks(std::vector<float>& left, std::vector<float>& right, float ceiling)
{
    const long REACH = 96;   // frames looked ahead and behind
    const long SMOOTH = 64;  // width of the final moving average (below REACH)
    long count = (long)left.size();
    std::vector<float> need(count);
    for (long n = 0; n < count; ++n) {
        float peak = std::max(std::fabs(left[n]), std::fabs(right[n]));
        need[n] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Smallest need within REACH frames either side, by a monotonic queue of
    // indices whose needs increase from front to back.
    std::vector<float> held(count);
    std::deque<long> queue;
    long next = 0;
    for (long n = 0; n < count; ++n) {
        for (; next < count && next <= n + REACH; ++next) {
            while (!queue.empty() && need[queue.back()] >= need[next])
                queue.pop_back();
            queue.push_back(next);
        }
        while (queue.front() < n - REACH)
            queue.pop_front();
        held[n] = need[queue.front()];
    }
    // Slow recovery after a dip, never above what the nearby peaks need.
    float recovery = 1.0f / (0.08f * MUSIC_RATE);
    float current = 1.0f;
    for (long n = 0; n < count; ++n) {
        current = std::min(held[n], current + (1.0f - current) * recovery);
        held[n] = current;
    }
    // A centred moving average narrower than the reach smooths the gain
    // without lifting it above any sample's need.
    double sum = 0.0;
    long window = 0;
    for (long n = 0; n < count + SMOOTH / 2; ++n) {
        if (n < count) { sum += held[n]; ++window; }
        if (n - SMOOTH >= 0) { sum -= held[n - SMOOTH]; --window; }
        long centre = n - SMOOTH / 2;
        if (centre >= 0 && centre < count) {
            float g = std::min(1.0f, (float)(sum / window));
            left[centre] = std::max(-ceiling, std::min(ceiling, left[centre] * g));
            right[centre] = std::max(-ceiling, std::min(ceiling, right[centre] * g));
        }
    }
}

// Trims the master's band: no DC or sub-rumble below 25 Hz, nothing above
// 16 kHz. The encoder drops the top octave anyway; taking it out before the
// limiter keeps the decoded peaks where the limiter put them.
static void ShapeMasterBand(std::vector<float>& channel)
{
    Svf low1, low2, high;
    TuneSvf(low1, 16000.0, 0.54);
    TuneSvf(low2, 16000.0, 1.31);
    TuneSvf(high, 25.0, 0.7);
    for (float& x : channel)
        x = HighPass(high, LowPass(low2, LowPass(low1, x)));
}

std::vector<float> MixDownTrack()
{
    MusicMix& mix = g_musicMix;
    size_t count = MusicFrameCount();
    std::vector<float> left(count), right(count);
    for (size_t n = 0; n < count; ++n) {
        float pump = mix.pumpGain[n];
        left[n] = mix.dry.left[n] + mix.pumped.left[n] * pump;
        right[n] = mix.dry.right[n] + mix.pumped.right[n] * pump;
    }
    AddReverb(mix.reverbSend, left, right);
    AddDelay(mix.delaySend, left, right);
    mix = MusicMix();
    ShapeMasterBand(left);
    ShapeMasterBand(right);

    long fadeStart = SampleAtDemoTime(FADE_START_DEMO_TIME);
    long fadeEnd = SampleAtDemoTime(FADE_END_DEMO_TIME);
    for (size_t n = 0; n < count; ++n) {
        float g = MASTER_GAIN;
        if ((long)n >= fadeEnd)
            g = 0.0f;
        else if ((long)n > fadeStart) {
            double u = (double)((long)n - fadeStart) / (double)(fadeEnd - fadeStart);
            g *= (float)((1.0 - u) * (1.0 - u));
        }
        left[n] *= g;
        right[n] *= g;
    }
    LimitPeaks(left, right, MASTER_CEILING);

    std::vector<float> interleaved(count * 2);
    for (size_t n = 0; n < count; ++n) {
        interleaved[2 * n] = left[n];
        interleaved[2 * n + 1] = right[n];
    }
    return interleaved;
}

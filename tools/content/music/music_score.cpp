// The arrangement of the show's track (see music_score.h): the chord of each
// bar, the drum and bass patterns, the melodies, and the section by section
// plan that plays them through the instruments of music_voices.h.
#include "tools/content/music/music_score.h"

#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "timeline/caption_schedule.h"
#include "tools/content/music/music_dsp.h"
#include "tools/content/music/music_voices.h"

// One chord: the bass root and a four-note pad voicing (MIDI notes).
struct Chord {
    int bass;
    int pad[4];
};

// The chords of the piece, all from A natural minor.
enum ChordName { AM, FM, CM, GM, EM, DM };
static const Chord CHORDS[] = {
    { 45, { 57, 60, 64, 71 } },  // A minor, added ninth
    { 41, { 53, 57, 60, 64 } },  // F major seventh
    { 48, { 55, 60, 64, 71 } },  // C major seventh
    { 43, { 55, 59, 62, 69 } },  // G, added ninth
    { 40, { 55, 59, 62, 64 } },  // E minor seventh
    { 38, { 53, 57, 60, 62 } },  // D minor seventh
};

// The chord of every bar of the show.
static ChordName s_barChords[SCORE_BAR_COUNT];

// Bar boundaries of the sections (bar b starts at demo time 2 + 2b).
enum {
    BEAT_FIRST_BAR = 0,     // 2.0
    SPHERE_FIRST_BAR = 11,  // 24.0
    SPLIT_BAR = 30,         // 62.0: a breath, the hit at 62.5
    TUNNEL_FIRST_BAR = 31,  // 64.0
    KNOTS_BAR = 45,         // 92.0: a breath, the hit at 92.5
    OUTRO_BAR = 79          // 160.0
};

// Fills the chord of every bar.
static void PlanChords()
{
    const ChordName CYCLE[4] = { AM, FM, CM, GM };
    const ChordName SPHERE[19] = { AM, AM, FM, FM, CM, CM, GM, GM, AM, AM,
                                   FM, FM, CM, CM, GM, GM, FM, FM, GM };
    const ChordName TUNNEL[4] = { FM, GM, EM, AM };
    const ChordName OUTRO[10] = { AM, AM, FM, FM, CM, GM, AM, AM, AM, AM };
    for (int b = 0; b < SCORE_BAR_COUNT; ++b) {
        if (b < SPHERE_FIRST_BAR)
            s_barChords[b] = CYCLE[b % 4];
        else if (b < SPLIT_BAR)
            s_barChords[b] = SPHERE[b - SPHERE_FIRST_BAR];
        else if (b == SPLIT_BAR)
            s_barChords[b] = AM;
        else if (b < KNOTS_BAR)
            s_barChords[b] = TUNNEL[(b - TUNNEL_FIRST_BAR) % 4];
        else if (b < 77)
            s_barChords[b] = CYCLE[(b - KNOTS_BAR) % 4];
        else if (b < OUTRO_BAR)
            s_barChords[b] = b == 77 ? FM : GM;
        else
            s_barChords[b] = OUTRO[b - OUTRO_BAR];
    }
}

// The chord sounding at a demo time (the first bar's before the first downbeat).
static const Chord& ChordAt(double demoTime)
{
    int bar = (int)std::floor((demoTime - FIRST_BAR_DEMO_TIME) / BAR_SECONDS);
    if (bar < 0) bar = 0;
    if (bar >= SCORE_BAR_COUNT) bar = SCORE_BAR_COUNT - 1;
    return CHORDS[s_barChords[bar]];
}

// Which drum a pattern plays.
enum DrumName { KICK, CLAP, SNARE, HAT, OPEN_HAT };

// Plays a 16-step pattern of one drum over one bar: 'x' a hit, 'X' an
// accented hit, any other character a rest.
static void PlayDrumBar(int bar, const char* pattern, DrumName drum, float gain,
                        float kickSnap = 0.1f)
{
    assert(std::strlen(pattern) == 16);
    for (int step = 0; step < 16; ++step) {
        char c = pattern[step];
        if (c != 'x' && c != 'X')
            continue;
        float g = c == 'X' ? gain * 1.35f : gain;
        // Hats vary a little from hit to hit, the same way every render.
        if (drum == HAT || drum == OPEN_HAT) {
            uint32_t h = (uint32_t)(bar * 16 + step) * 2654435761u;
            g *= 0.85f + 0.3f * (float)((h >> 16) & 0xFF) / 255.0f;
        }
        double t = DemoTimeOfStep(bar, step);
        switch (drum) {
        case KICK: PlayKick(t, g, 0.55f, kickSnap); break;
        case CLAP: PlayClap(t, g); break;
        case SNARE: PlaySnare(t, g); break;
        case HAT: PlayHat(t, g, false); break;
        case OPEN_HAT: PlayHat(t, g, true); break;
        }
    }
}

// Plays a 16-step bass pattern over one bar: 'r' the chord's root, 'o' its
// octave, 'f' its fifth; each note lasts to the next (at most an eighth).
static void PlayBassBar(int bar, const char* pattern, float gain, float brightness)
{
    assert(std::strlen(pattern) == 16);
    int root = CHORDS[s_barChords[bar]].bass;
    for (int step = 0; step < 16; ++step) {
        char c = pattern[step];
        int note;
        if (c == 'r') note = root;
        else if (c == 'o') note = root + 12;
        else if (c == 'f') note = root + 7;
        else continue;
        int gap = 1;
        while (step + gap < 16 && gap < 2 && pattern[step + gap] == '.')
            ++gap;
        double t = DemoTimeOfStep(bar, step);
        double seconds = gap * STEP_SECONDS - 0.02;
        PlayBass(t, seconds, note, gain, brightness);
    }
}

// Holds the bar's chord on the pad for `bars` bars.
static void PlayPadBars(int bar, int bars, float gain, float brightness)
{
    const Chord& chord = CHORDS[s_barChords[bar]];
    PlayPad(DemoTimeOfStep(bar, 0), bars * BAR_SECONDS, chord.pad, 4, gain, brightness);
}

// Plays one bar of the arpeggio: the pad's notes an octave up, up and down,
// every `every` sixteenths, alternating sides.
static void PlayArpBar(int bar, int every, float gain, float brightness)
{
    const Chord& chord = CHORDS[s_barChords[bar]];
    const int ORDER[8] = { 0, 1, 2, 3, 4, 3, 2, 1 };
    for (int step = 0; step < 16; step += every) {
        int k = ORDER[(step / every) % 8];
        int note = k == 4 ? chord.pad[0] + 24 : chord.pad[k] + 12;
        float pan = (step / every) % 2 ? 0.45f : -0.45f;
        // The first sixteenth of each beat leans in a little.
        float g = step % 4 == 0 ? gain : gain * 0.8f;
        PlayPluck(DemoTimeOfStep(bar, step), note, g, brightness, pan);
    }
}

// The MIDI number of a note name such as "C5", "F#4" or "Bb3".
static int ParseNoteName(const char* text, int* used)
{
    static const int LETTER_STEPS[7] = { 9, 11, 0, 2, 4, 5, 7 };  // A..G
    int i = 0;
    int note = LETTER_STEPS[std::toupper((unsigned char)text[i++]) - 'A'];
    if (text[i] == '#') { ++note; ++i; }
    else if (text[i] == 'b') { --note; ++i; }
    int octave = text[i++] - '0';
    *used = i;
    return 12 * (octave + 1) + note;
}

// Moves a note of A natural minor by `steps` scale degrees (negative: down).
static int ShiftInScale(int note, int steps)
{
    static const int SCALE[7] = { 0, 2, 3, 5, 7, 8, 10 };  // from A
    int fromA = note - 57;
    int octave = (int)std::floor(fromA / 12.0);
    int within = fromA - 12 * octave;
    int degree = 0;
    while (degree < 6 && SCALE[degree + 1] <= within)
        ++degree;
    int target = degree + steps;
    int targetOctave = octave + (int)std::floor(target / 7.0);
    int targetDegree = target - 7 * (int)std::floor(target / 7.0);
    return 57 + 12 * targetOctave + SCALE[targetDegree];
}

// Plays a melody on the lead from the start of `bar`. The text is a list of
// "NOTE:SIXTEENTHS" words ("E5:4"), "-" for a rest ("-:4"); '|' is ignored
// (a bar line for the reader). Notes glide from a note that ends where they
// start. `harmony` adds a second voice that many scale steps away (0: none).
static void PlayMelody(int bar, const char* text, float gain, float brightness, int harmony)
{
    double step = 0.0;
    int previous = 0;
    const char* p = text;
    while (*p) {
        if (*p == ' ' || *p == '|') { ++p; continue; }
        int note = 0, used = 1;
        if (*p != '-')
            note = ParseNoteName(p, &used);
        p += used;
        assert(*p == ':');
        ++p;
        int length = 0;
        while (std::isdigit((unsigned char)*p))
            length = length * 10 + (*p++ - '0');
        if (note != 0) {
            double t = DemoTimeOfStep(bar, step);
            double seconds = length * STEP_SECONDS - 0.03;
            PlayLead(t, seconds, note, previous, gain, brightness);
            if (harmony != 0)
                PlayLead(t, seconds, ShiftInScale(note, harmony), 0, gain * 0.55f,
                         brightness * 0.8f);
        }
        previous = note;
        step += length;
    }
}

// Melodies, one word per note (sixteenths after the colon).
static const char* const SPHERE_THEME =
    "E5:8 D5:4 C5:4 A4:16 | C5:8 D5:4 E5:4 F5:12 E5:4 | "
    "G5:8 E5:8 D5:8 C5:4 B4:4 | D5:16 B4:8 -:8";
static const char* const SPHERE_RISE = "C5:8 F5:8 A5:16 | A5:8 F5:8 E5:8 C5:8 | D5:8 E5:8 G5:16";
static const char* const TUNNEL_THEME_A =
    "A4:4 C5:2 A4:2 G4:2 A4:2 C5:4 | B4:4 D5:2 B4:2 G4:4 D5:4 | "
    "E5:6 D5:2 B4:4 G4:4 | A4:8 E5:2 D5:2 C5:2 B4:2";
static const char* const TUNNEL_THEME_B =
    "C5:4 A4:2 C5:2 F5:4 E5:4 | D5:6 B4:2 G4:4 B4:4 | "
    "G5:4 E5:4 B4:4 D5:4 | C5:4 B4:4 A4:8";
static const char* const TUNNEL_TURN = "F5:8 E5:8 C5:8 A4:8 | D5:8 B4:8 G4:8 B4:8";
static const char* const KNOTS_THEME_A =
    "E5:4 A5:4 G5:2 E5:2 C5:4 | F5:4 E5:2 C5:2 A4:4 C5:4 | "
    "G5:6 E5:2 C5:4 E5:4 | D5:4 B4:2 G4:2 B4:4 D5:4";
static const char* const KNOTS_THEME_B =
    "A5:8 G5:4 E5:4 | F5:6 E5:2 C5:8 | E5:4 G5:4 C6:8 | B5:4 A5:2 G5:2 D5:8";
static const char* const KNOTS_CALM = "E5:16 C5:16 | A4:16 C5:16 | G5:16 E5:16 | D5:16 B4:16";
static const char* const KNOTS_PEAK = "C6:8 A5:8 F5:8 A5:8 | B5:16 D6:16";
static const char* const OUTRO_THEME = "A5:16 G5:8 E5:8 | C5:16 A4:8 C5:8 | E5:16 G5:8 E5:8 | "
                                       "D5:16 B4:16 | A4:32";

// Intro: a pad and a swell rising into the first downbeat.
static void PlayIntro()
{
    const Chord& am = CHORDS[AM];
    PlayPad(MUSIC_DEMO_OFFSET, FIRST_BAR_DEMO_TIME - MUSIC_DEMO_OFFSET - 0.1, am.pad, 4, 0.22f,
            0.15f);
    PlayRiser(MUSIC_DEMO_OFFSET, FIRST_BAR_DEMO_TIME - MUSIC_DEMO_OFFSET, 0.3f);
}

// 2-24: the beat. Kicks on every beat, claps from the fifth bar, hats, an
// off-beat bass and the pad; the snare run of the last bar leads into the sphere.
static void PlayBeatSection()
{
    PlayCrash(FIRST_BAR_DEMO_TIME, 0.25f);
    for (int bar = BEAT_FIRST_BAR; bar < SPHERE_FIRST_BAR; ++bar) {
        bool full = bar >= 4;
        float rise = (float)(bar - BEAT_FIRST_BAR) / (SPHERE_FIRST_BAR - BEAT_FIRST_BAR);
        PlayDrumBar(bar, "x...x...x...x...", KICK, 0.9f, 0.25f);
        PlayDrumBar(bar, "..x...x...x...x.", HAT, 0.12f);
        if (full) {
            PlayDrumBar(bar, "....x.......x...", CLAP, 0.55f);
            PlayDrumBar(bar, ".x.x.x.x.x.x.x.x", HAT, 0.065f);
            PlayArpBar(bar, 2, 0.07f, 0.3f + 0.4f * rise);
        }
        if (bar >= 6)
            PlayDrumBar(bar, "..x...x...x...x.", OPEN_HAT, 0.12f);
        PlayBassBar(bar, full ? "..r...r...r..ro." : "..r...r...r...r.", 0.32f, 0.3f + 0.3f * rise);
        PlayPadBars(bar, 1, 0.2f, 0.2f + 0.25f * rise);
    }
    int last = SPHERE_FIRST_BAR - 1;
    for (int step = 8; step < 16; ++step)
        PlaySnare(DemoTimeOfStep(last, step), 0.08f + 0.02f * (step - 8));
}

// 24-62.5: the sphere. A pumping pad wall, rolling bass and soft drums keep
// the level up and breathing; the lead enters at 40 s; the last three bars
// build; the first beat of bar 30 is a breath and the hit comes at 62.5.
static void PlaySphereSection()
{
    PlayCrash(DemoTimeOfStep(SPHERE_FIRST_BAR, 0), 0.3f);
    for (int bar = SPHERE_FIRST_BAR; bar < SPLIT_BAR; ++bar) {
        int inSection = bar - SPHERE_FIRST_BAR;
        bool build = bar >= SPLIT_BAR - 3;
        float sweep = 0.35f + 0.35f * (float)(0.5 - 0.5 * std::cos(inSection * 0.6));
        if (build)
            sweep = 0.5f + 0.15f * (bar - (SPLIT_BAR - 3));
        PlayDrumBar(bar, "x...x...x...x...", KICK, 0.6f);
        PlayDrumBar(bar, "....x.......x...", CLAP, 0.22f);
        PlayDrumBar(bar, "..x...x...x...x.", HAT, 0.08f);
        if (inSection % 2 == 0)
            PlayPadBars(bar, 2, 0.42f, sweep);
        PlayBassBar(bar, ".rrr.rrr.rrr.rro", 0.30f, 0.35f);
        if (inSection >= 4)
            PlayArpBar(bar, 1, 0.05f, 0.35f);
        if (build) {
            int n = bar - (SPLIT_BAR - 3);
            for (int step = 0; step < 16; step += n == 0 ? 2 : 1)
                PlaySnare(DemoTimeOfStep(bar, step), 0.04f + 0.025f * n + 0.003f * step);
        }
    }
    PlayMelody(SPHERE_FIRST_BAR + 8, SPHERE_THEME, 0.20f, 0.4f, 0);
    PlayMelody(SPHERE_FIRST_BAR + 16, SPHERE_RISE, 0.20f, 0.5f, 0);
    PlayRiser(DemoTimeOfStep(SPLIT_BAR - 3, 0), 3 * BAR_SECONDS, 0.22f);
}

// 62.5: the split. The hit, then the A minor chord and the groove's return.
static void PlaySplit()
{
    double hit = DemoTimeOfStep(SPLIT_BAR, 4);  // 62.5, the second beat
    PlayImpact(hit, 0.45f);
    const Chord& am = CHORDS[AM];
    PlayPad(hit, 1.5, am.pad, 4, 0.45f, 0.7f);
    PlayBass(hit, 1.0, am.bass - 12, 0.4f, 0.3f);
    PlayKick(DemoTimeOfStep(SPLIT_BAR, 8), 0.8f, 0.55f, 0.1f);
    PlayKick(DemoTimeOfStep(SPLIT_BAR, 12), 0.8f, 0.55f, 0.1f);
    for (int step = 8; step < 16; ++step)
        PlayHat(DemoTimeOfStep(SPLIT_BAR, step), 0.04f + 0.01f * (step - 8), false);
}

// 64-92: the tunnel. The full groove under the main theme.
static void PlayTunnelSection()
{
    for (int bar = TUNNEL_FIRST_BAR; bar < KNOTS_BAR; ++bar) {
        int inSection = bar - TUNNEL_FIRST_BAR;
        bool last = bar == KNOTS_BAR - 1;
        if (inSection % 4 == 0)
            PlayCrash(DemoTimeOfStep(bar, 0), 0.22f);
        PlayDrumBar(bar, last ? "x...x...x...x.x." : "x...x...x...x...", KICK, 0.85f);
        bool phraseEnd = inSection % 4 == 3 && !last;
        PlayDrumBar(bar, phraseEnd ? "....x.......x.xx" : "....x.......x...", CLAP, 0.32f);
        PlayDrumBar(bar, "x.x.x.x.x.x.x.x.", HAT, 0.05f);
        PlayDrumBar(bar, "..x...x...x...x.", OPEN_HAT, 0.06f);
        PlayBassBar(bar, "..ro..ro..ro..ro", 0.30f, 0.5f);
        PlayPadBars(bar, 1, 0.28f, 0.5f);
        PlayArpBar(bar, 1, 0.06f, 0.5f);
        if (last)
            for (int step = 8; step < 16; ++step)
                PlaySnare(DemoTimeOfStep(bar, step), 0.12f + 0.02f * (step - 8));
    }
    PlayMelody(TUNNEL_FIRST_BAR, TUNNEL_THEME_A, 0.2f, 0.6f, 0);
    PlayMelody(TUNNEL_FIRST_BAR + 4, TUNNEL_THEME_B, 0.2f, 0.65f, 0);
    PlayMelody(TUNNEL_FIRST_BAR + 8, TUNNEL_THEME_A, 0.2f, 0.7f, -2);
    PlayMelody(TUNNEL_FIRST_BAR + 12, TUNNEL_TURN, 0.2f, 0.7f, -2);
    PlayRiser(DemoTimeOfStep(KNOTS_BAR - 1, 0), BAR_SECONDS, 0.25f);
}

// 92.5-160: the knots, built up in four stages of eight bars, from the pad
// and arpeggio alone to the full groove with the harmonised theme.
static void PlayKnotsSection()
{
    PlayImpact(DemoTimeOfStep(KNOTS_BAR, 4), 0.4f);
    const int STAGE_2 = KNOTS_BAR + 8, STAGE_3 = KNOTS_BAR + 16, STAGE_4 = KNOTS_BAR + 24;
    for (int bar = KNOTS_BAR; bar < OUTRO_BAR; ++bar) {
        float progress = (float)(bar - KNOTS_BAR) / (OUTRO_BAR - KNOTS_BAR);
        if (bar == KNOTS_BAR) {
            // The hit bar: the pad enters with the hit, on its second beat.
            const Chord& am = CHORDS[AM];
            PlayPad(DemoTimeOfStep(bar, 4), 1.5, am.pad, 4, 0.3f, 0.2f);
        } else {
            PlayPadBars(bar, 1, 0.3f, 0.2f + 0.5f * progress);
        }
        if (bar > KNOTS_BAR)
            PlayArpBar(bar, bar < STAGE_2 ? 2 : 1, 0.07f, 0.15f + 0.6f * progress);
        if (bar >= KNOTS_BAR + 4 && bar < STAGE_2)
            PlayDrumBar(bar, "x.......x.......", KICK, 0.55f);
        if (bar >= STAGE_2) {
            PlayDrumBar(bar, "x...x...x...x...", KICK, 0.85f);
            PlayDrumBar(bar, "..x...x...x...x.", HAT, 0.09f);
            PlayBassBar(bar, bar < STAGE_4 ? "..r...r...r..ro." : "..ro..ro..ro..ro", 0.30f,
                        0.3f + 0.3f * progress);
        }
        if (bar >= STAGE_3) {
            bool phraseEnd = (bar - STAGE_3) % 4 == 3 && bar < OUTRO_BAR - 2;
            PlayDrumBar(bar, phraseEnd ? "....x.......x.xx" : "....x.......x...", CLAP, 0.32f);
            PlayDrumBar(bar, ".x.x.x.x.x.x.x.x", HAT, 0.045f);
        }
        if (bar >= STAGE_4) {
            PlayDrumBar(bar, "..x...x...x...x.", OPEN_HAT, 0.06f);
            if ((bar - STAGE_4) % 4 == 0)
                PlayCrash(DemoTimeOfStep(bar, 0), 0.25f);
        }
        if (bar >= OUTRO_BAR - 2) {
            int n = bar - (OUTRO_BAR - 2);
            for (int step = 0; step < 16; step += n == 0 ? 2 : 1)
                PlaySnare(DemoTimeOfStep(bar, step), 0.06f + 0.04f * n + 0.004f * step);
        }
    }
    PlayMelody(KNOTS_BAR + 4, KNOTS_CALM, 0.1f, 0.2f, 0);
    PlayMelody(STAGE_2 + 4, KNOTS_CALM, 0.12f, 0.35f, -2);
    PlayMelody(STAGE_3, KNOTS_THEME_A, 0.18f, 0.55f, 0);
    PlayMelody(STAGE_3 + 4, KNOTS_THEME_B, 0.18f, 0.6f, 0);
    PlayMelody(STAGE_4, KNOTS_THEME_A, 0.2f, 0.7f, -2);
    PlayMelody(STAGE_4 + 4, KNOTS_THEME_B, 0.2f, 0.75f, -2);
    PlayMelody(OUTRO_BAR - 2, KNOTS_PEAK, 0.2f, 0.8f, -2);
    PlayRiser(DemoTimeOfStep(OUTRO_BAR - 2, 0), 2 * BAR_SECONDS, 0.28f);
}

// 160-180: the outro under the credits. The last hit, then the pad, a slowing
// arpeggio and the theme's echo, fading to silence.
static void PlayOutro()
{
    PlayImpact(DemoTimeOfStep(OUTRO_BAR, 0), 0.45f);
    for (int bar = OUTRO_BAR; bar < SCORE_BAR_COUNT; ++bar) {
        int inOutro = bar - OUTRO_BAR;
        if (bar < OUTRO_BAR + 6)
            PlayPadBars(bar, 1, 0.3f, 0.45f - 0.05f * inOutro);
        else if (bar == OUTRO_BAR + 6)
            PlayPadBars(bar, 4, 0.3f, 0.2f);
        if (inOutro < 6)
            PlayArpBar(bar, 2, 0.06f * (1.0f - inOutro / 7.0f), 0.4f - 0.04f * inOutro);
        if (inOutro < 2)
            PlayDrumBar(bar, "x.......x.......", KICK, 0.5f);
    }
    PlayMelody(OUTRO_BAR + 2, OUTRO_THEME, 0.15f, 0.45f, 0);
}

// A bell at every caption word's reveal time (on the nearest sixteenth), on
// the chord's tones, climbing through each sheet; a sheet's last word rings
// a little louder.
static void PlayCaptionBells()
{
    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s) {
        const CaptionSheet& sheet = CAPTION_SHEETS[s];
        for (int i = 0; i < sheet.pieceCount; ++i) {
            double t = std::floor((double)sheet.pieces[i].reveal * 8.0 + 0.5) / 8.0;
            const Chord& chord = ChordAt(t);
            int note = chord.pad[i % 4] + 12 + 12 * ((i / 4) % 2);
            bool lastWord = i == sheet.pieceCount - 1;
            PlayBell(t, note, lastWord ? 0.13f : 0.1f, i % 2 ? 0.35f : -0.35f);
        }
    }
}

void PlayScore()
{
    PlanChords();
    PlayIntro();
    PlayBeatSection();
    PlaySphereSection();
    PlaySplit();
    PlayTunnelSection();
    PlayKnotsSection();
    PlayOutro();
    PlayCaptionBells();
}

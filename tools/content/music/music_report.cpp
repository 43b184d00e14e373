// halvane-music-report: what the scenes will hear of the show's track.
//   halvane-music-report FILE.ogg [--plot OUT.png]
//   halvane-music-report --generate FILE.ogg [--plot OUT.png]
// prints the track's length, peak and end silence, and the level figures of
// the beat (frames that add a square) and of the sphere (frames whose lift
// stays in range); --generate first writes the track and times it; --plot
// draws the level over the whole show.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/content/music/music_gen.h"
#include "tools/content/music/music_measure.h"
#include "tools/content/music/music_plot.h"

// Decibels relative to full scale of an absolute sample value.
static double Dbfs(float value)
{
    return value > 0.0f ? 20.0 * std::log10((double)value) : -999.0;
}

// Prints the figures and says whether each target is met.
static bool PrintFigures(const MusicFigures& f)
{
    bool peakOk = Dbfs(f.peak) <= -1.0;
    bool tailOk = f.tailPeak < 0.001f;
    bool beatOk = f.beatFramesLoud >= 60 && f.beatFramesLoud <= 450;
    double share = f.sphereFrames ? 100.0 * f.sphereFramesInRange / f.sphereFrames : 0.0;
    bool sphereOk = share >= 90.0;
    printf("format       %d Hz, %d channels, %.3f s\n", f.rate, f.channels, f.seconds);
    printf("levels       %s\n", f.fromLibrary ? "through the sound library (decoding stream)"
                                              : "measured directly (the library could not open the file)");
    printf("peak         %.2f dBFS (target <= -1.0)                 %s\n", Dbfs(f.peak),
           peakOk ? "ok" : "MISSED");
    printf("last second  peak %.1f dBFS (target silence)            %s\n", Dbfs(f.tailPeak),
           tailOk ? "ok" : "MISSED");
    printf("beat 2-24    %d of %d frames above 1.2 (target 60..450)  %s\n", f.beatFramesLoud,
           f.beatFrames, beatOk ? "ok" : "MISSED");
    printf("sphere 24-62.5  %d of %d frames with level/3 in 0.05..0.7 = %.1f %% (target >= 90)  %s\n",
           f.sphereFramesInRange, f.sphereFrames, share, sphereOk ? "ok" : "MISSED");
    // Mean level per section, for tuning.
    const double BOUNDS[] = { 0.3, 2.0, 24.0, 62.5, 92.5, 160.0, 180.0 };
    const char* NAMES[] = { "intro", "beat", "sphere", "tunnel", "knots", "outro" };
    for (int s = 0; s < 6; ++s) {
        int from = FrameAtDemoTime(BOUNDS[s]), to = FrameAtDemoTime(BOUNDS[s + 1]);
        double sum = 0.0, high = 0.0;
        for (int k = from; k < to && k < (int)f.levels.size(); ++k) {
            sum += f.levels[(size_t)k];
            if (f.levels[(size_t)k] > high) high = f.levels[(size_t)k];
        }
        printf("  %-7s %6.1f-%5.1f s  mean level %.3f, highest %.3f\n", NAMES[s], BOUNDS[s],
               BOUNDS[s + 1], to > from ? sum / (to - from) : 0.0, high);
    }
    return peakOk && tailOk && beatOk && sphereOk;
}

int main(int argc, char** argv)
{
    const char* file = nullptr;
    const char* plot = nullptr;
    bool generate = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plot") == 0 && i + 1 < argc)
            plot = argv[++i];
        else if (std::strcmp(argv[i], "--generate") == 0)
            generate = true;
        else if (!file)
            file = argv[i];
    }
    if (!file) {
        fprintf(stderr, "usage: %s [--generate] FILE.ogg [--plot OUT.png]\n", argv[0]);
        return 2;
    }
    if (generate) {
        auto start = std::chrono::steady_clock::now();
        if (!GenerateMusic(file)) {
            fprintf(stderr, "cannot write %s\n", file);
            return 1;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        printf("generated    %s in %.2f s\n", file, seconds);
    }
    DecodedTrack track;
    if (!DecodeOggFile(file, &track)) {
        fprintf(stderr, "cannot decode %s\n", file);
        return 1;
    }
    MusicFigures figures = MeasureTrack(track, file);
    bool ok = PrintFigures(figures);
    if (plot) {
        if (!WriteLevelPlot(plot, figures)) {
            fprintf(stderr, "cannot write %s\n", plot);
            return 1;
        }
        printf("plot         %s\n", plot);
    }
    return ok ? 0 : 3;
}

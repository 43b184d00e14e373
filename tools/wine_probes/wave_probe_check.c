/* wave_probe_check: reads a recording (signed 16-bit stereo, 44.1 kHz) of
 * what wave_probe played and tells which of the probe's signal frames were
 * heard, and how they followed one another:
 *
 *   wave_probe_check RECORDING.raw
 *
 * The probe's signal frame k holds 1 + k % 32767 on the left and
 * 1 + k / 32767 on the right, so each recorded frame names its frame. Prints
 * one line wherever the frames stop following one another (a skip: frames
 * missing; a gap: silence between them), then
 *   first heard frame F (M ms into the signal); last frame L
 *   skips N (S ms of signal lost), gaps G (T ms of silence inserted)
 * Exits 1 when nothing of the signal was heard. */
#include <stdio.h>

#define RATE 44100

int main(int argc, char **argv)
{
    FILE *file = argc == 2 ? fopen(argv[1], "rb") : NULL;
    if (!file) {
        fprintf(stderr, "usage: wave_probe_check RECORDING.raw (16-bit stereo)\n");
        return 2;
    }
    long first = -1, last = -1, lastAt = 0, at = 0;
    long skips = 0, gaps = 0, lostFrames = 0, silentFrames = 0;
    short pair[2];
    for (; fread(pair, sizeof pair, 1, file) == 1; ++at) {
        if (pair[0] <= 0 || pair[1] <= 0)
            continue;
        const long frame = (pair[1] - 1) * 32767L + (pair[0] - 1);
        if (first < 0)
            first = frame;
        const long silence = last >= 0 ? at - lastAt - 1 : 0, missing = last >= 0 ? frame - last - 1 : 0;
        if (silence > 0 || missing != 0) {
            printf("at %.3f s of the recording: frame %ld follows %ld after %ld silent frames\n", (double)at / RATE,
                   frame, last, silence);
            skips += missing != 0;
            lostFrames += missing > 0 ? missing : 0;
            gaps += silence > 0;
            silentFrames += silence;
        }
        last = frame;
        lastAt = at;
    }
    fclose(file);
    if (first < 0) {
        printf("nothing of the signal heard\n");
        return 1;
    }
    printf("first heard frame %ld (%.1f ms into the signal); last frame %ld\n", first, first * 1000.0 / RATE, last);
    printf("skips %ld (%.1f ms of signal lost), gaps %ld (%.1f ms of silence inserted)\n", skips,
           lostFrames * 1000.0 / RATE, gaps, silentFrames * 1000.0 / RATE);
    return 0;
}

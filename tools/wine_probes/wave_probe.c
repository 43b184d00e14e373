/* wave_probe: a test-only Windows console program (never shipped) that plays
 * through waveOut the way the sound library's Windows output does (a ring of
 * 4 x 2048 frames, 44.1 kHz stereo 16-bit, CALLBACK_EVENT, a refilling thread
 * at time-critical priority) a signal whose every sample names its frame, so
 * that a recording of the sound server shows which frames were heard:
 *
 *   wave_probe [SILENCE_MS [SIGNAL_MS [BUSY_THREADS [BUFFERS]]]]
 *
 * The device is opened, fed SILENCE_MS of silence (default 0), then SIGNAL_MS
 * (default 3000) of the signal, then half a second of silence; then closed.
 * Signal frame k holds 1 + k % 32767 on the left and 1 + k / 32767 on the
 * right, so any recorded frame of it names its frame. BUSY_THREADS
 * threads (default 0) spin at normal priority meanwhile, as a program that
 * draws without pause does. BUFFERS (default 4) sets the ring's length.
 *
 * Prints, one line each (times in ms since the device was opened, "unix" the
 * wall clock in seconds, for lining the recording up):
 *   open unix=U
 *   write n=N frame=F signal=S unix=U t=T pos=P   (one per buffer written:
 *        frames written before it, of them signal frames, the device's
 *        waveOutGetPosition in frames at that moment)
 *   close t=T pos=P
 */
#include <windows.h>
#include <mmsystem.h>

#include <stdio.h>
#include <stdlib.h>

#define MAX_BUFFERS 16
#define BUFFER_FRAMES 2048
#define RATE 44100

static HWAVEOUT s_device;
static HANDLE s_done;
static int s_bufferCount = 4;
static WAVEHDR s_headers[MAX_BUFFERS];
static short s_samples[MAX_BUFFERS][BUFFER_FRAMES * 2];
static long s_silenceFrames;
static long s_signalFrames;
static long s_written;   /* frames handed to the device */
static int s_writes;
static LARGE_INTEGER s_frequency, s_opened;

/* Milliseconds since the device was opened. */
static double Elapsed(void)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - s_opened.QuadPart) * 1000.0 / (double)s_frequency.QuadPart;
}

/* The wall clock in Unix seconds. */
static double UnixSeconds(void)
{
    FILETIME t;
    GetSystemTimePreciseAsFileTime(&t);
    ULONGLONG ticks = ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
    return (double)(ticks - 116444736000000000ull) * 1e-7;
}

/* The device's played position in frames. */
static long Played(void)
{
    MMTIME time;
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(s_device, &time, sizeof time) != MMSYSERR_NOERROR)
        return -1;
    if (time.wType == TIME_BYTES)
        return (long)(time.u.cb / 4);
    return (long)time.u.sample;
}

/* Fills one buffer with what follows and hands it to the device. */
static void FillAndQueue(int index)
{
    short *out = s_samples[index];
    long signalBefore = s_written - s_silenceFrames;
    for (int i = 0; i < BUFFER_FRAMES; ++i) {
        long k = s_written + i - s_silenceFrames;
        int signal = k >= 0 && k < s_signalFrames;
        out[2 * i] = signal ? (short)(1 + k % 32767) : 0;
        out[2 * i + 1] = signal ? (short)(1 + k / 32767) : 0;
    }
    printf("write n=%d frame=%ld signal=%ld unix=%.6f t=%.3f pos=%ld\n", s_writes, s_written,
           signalBefore > 0 ? signalBefore : 0, UnixSeconds(), Elapsed(), Played());
    s_headers[index].dwFlags &= ~(DWORD)WHDR_DONE;
    waveOutWrite(s_device, &s_headers[index], sizeof(WAVEHDR));
    s_written += BUFFER_FRAMES;
    ++s_writes;
}

/* A thread that keeps a processor busy until the process ends. */
static DWORD WINAPI Spin(LPVOID unused)
{
    volatile unsigned long n = 0;
    (void)unused;
    for (;;)
        ++n;
    return 0;
}

int main(int argc, char **argv)
{
    long silenceMs = argc > 1 ? atol(argv[1]) : 0;
    long signalMs = argc > 2 ? atol(argv[2]) : 3000;
    s_silenceFrames = silenceMs * RATE / 1000;
    s_signalFrames = signalMs * RATE / 1000;
    if (argc > 4 && atoi(argv[4]) > 0 && atoi(argv[4]) <= MAX_BUFFERS)
        s_bufferCount = atoi(argv[4]);
    for (int i = argc > 3 ? atoi(argv[3]) : 0; i > 0; --i)
        CreateThread(NULL, 0, Spin, NULL, 0, NULL);
    long total = s_silenceFrames + s_signalFrames + RATE / 2;
    setvbuf(stdout, NULL, _IOLBF, 0);

    WAVEFORMATEX format = {0};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = RATE;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = RATE * 4;
    s_done = CreateEventA(NULL, FALSE, FALSE, NULL);
    QueryPerformanceFrequency(&s_frequency);
    QueryPerformanceCounter(&s_opened);
    printf("open unix=%.6f\n", UnixSeconds());
    if (waveOutOpen(&s_device, WAVE_MAPPER, &format, (DWORD_PTR)s_done, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        printf("waveOutOpen failed\n");
        return 1;
    }
    for (int i = 0; i < s_bufferCount; ++i) {
        s_headers[i].lpData = (LPSTR)s_samples[i];
        s_headers[i].dwBufferLength = sizeof s_samples[i];
        waveOutPrepareHeader(s_device, &s_headers[i], sizeof(WAVEHDR));
    }
    for (int i = 0; i < s_bufferCount; ++i)
        FillAndQueue(i);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (s_written < total) {
        WaitForSingleObject(s_done, INFINITE);
        for (int i = 0; i < s_bufferCount; ++i) {
            if (s_headers[i].dwFlags & WHDR_DONE)
                FillAndQueue(i);
        }
    }
    /* Let the ring play out before closing. */
    for (int i = 0; i < s_bufferCount; ++i) {
        while (!(s_headers[i].dwFlags & WHDR_DONE))
            WaitForSingleObject(s_done, 100);
    }
    printf("close t=%.3f pos=%ld\n", Elapsed(), Played());
    waveOutReset(s_device);
    for (int i = 0; i < s_bufferCount; ++i)
        waveOutUnprepareHeader(s_device, &s_headers[i], sizeof(WAVEHDR));
    waveOutClose(s_device);
    return 0;
}

// The start-up measurement of halvane-capture (see capture_startup.h).
//
// A phase start makes the show's own calls in the show's order: the context
// (the render window's stand-in), InitShow, the music opened as a playing
// stream on the "no sound" device and started, the first RenderFrame at demo
// time 0.3, and glFinish with the read back of the frame, which is when a
// frame is on screen here. A step start makes InitShow's loading calls one at
// a time with the clock read between them: each picture's decode (DevIL's
// ilLoadImage) apart from its upload (ILUT's ilutGLBindTexImage and the
// filter settings), and each mesh file. Wall-clock and process CPU time (all
// threads, so llvmpipe's too) are both kept: on a shared machine the CPU time
// shows the work when the wall clock also shows the waiting.
#include "tools/capture/capture_startup.h"

#include "audio/music.h"
#include "content/mesh.h"
#include "content/texture.h"
#include "platform/gl_api.h"
#include "platform/headless_gl.h"
#include "soundlib/bass.h"
#include "timeline/caption_schedule.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "tools/capture/capture_stats.h"

#include <IL/il.h>
#include <IL/ilut.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Most steps one step start records, and the room for each step's name.
enum { STARTUP_STEP_LIMIT = 32, STARTUP_NAME_SIZE = 40 };

// Both clocks at one instant, in milliseconds, and the page faults so far.
struct StartupMark {
    double wall;
    double cpu;
    double faults;
};

// Wall time, CPU time and page faults of one phase or step.
struct StartupLap {
    double wall;
    double cpu;
    double faults;
};

// What one child reports back through its pipe (plain bytes, no pointers).
struct StartupRecord {
    int ok;
    StartupLap phases[STARTUP_PHASE_COUNT];
    int stepCount;
    char stepNames[STARTUP_STEP_LIMIT][STARTUP_NAME_SIZE];
    StartupLap steps[STARTUP_STEP_LIMIT];
};

static const char* const PHASE_NAMES[STARTUP_PHASE_COUNT] = {
    "window and GL context", "InitShow", "music: device and stream", "music: play from the start",
    "first RenderFrame", "glFinish + read back (swap)",
};

// The meshes InitShow loads, in its order (the ring inside InitStarTunnel).
static const char* const STARTUP_MESH_FILES[] = {
    "data/sphere_up.obj", "data/sphere_down.obj", "data/startunnel.obj",
    "data/knot1.obj", "data/knot2.obj", "data/knot3.obj", "data/knot4.obj",
};

// Reads both clocks and the fault counter. Fresh memory costs a page fault
// per 4 KiB page on first touch, and a 1280 x 720 picture is 900 pages per
// copy, so the faults explain much of the loading time.
static StartupMark ReadStartupMark()
{
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return { std::chrono::duration<double, std::milli>(wall).count(), cpu.tv_sec * 1e3 + cpu.tv_nsec * 1e-6,
        static_cast<double>(usage.ru_minflt + usage.ru_majflt) };
}

// Stores what passed since *mark into lap and moves *mark to now.
static void TakeStartupLap(StartupMark* mark, StartupLap* lap)
{
    const StartupMark now = ReadStartupMark();
    lap->wall = now.wall - mark->wall;
    lap->cpu = now.cpu - mark->cpu;
    lap->faults = now.faults - mark->faults;
    *mark = now;
}

// Adds one named step that lasted from *mark until now.
static void AddStartupStep(StartupRecord* record, StartupMark* mark, const char* name, const char* detail)
{
    if (record->stepCount >= STARTUP_STEP_LIMIT)
        return;
    const int k = record->stepCount++;
    std::snprintf(record->stepNames[k], STARTUP_NAME_SIZE, "%s%s", name, detail);
    TakeStartupLap(mark, &record->steps[k]);
}

// One start as the show makes it, from the context to the first frame shown.
static void MeasurePhaseStart(const CaptureOptions& options, StartupRecord* record)
{
    const DisplaySettings& d = g_displaySettings;
    std::vector<uint8_t> pixels(static_cast<size_t>(d.windowWidth) * d.windowHeight * 4);
    StartupMark mark = ReadStartupMark();
    if (!OpenHeadlessGl(d.windowWidth, d.windowHeight, options.samples))
        return;
    TakeStartupLap(&mark, &record->phases[STARTUP_CONTEXT]);
    InitShow();
    TakeStartupLap(&mark, &record->phases[STARTUP_INIT_SHOW]);
    // The show's InitMusic, on the device a machine without sound has.
    if (BASS_Init(0, 44100, BASS_DEVICE_3D, nullptr, nullptr))
        g_musicStream = BASS_StreamCreateFile(FALSE, MUSIC_FILE, 0, 0, 0);
    TakeStartupLap(&mark, &record->phases[STARTUP_MUSIC_OPEN]);
    BASS_ChannelPlay(g_musicStream, TRUE);
    TakeStartupLap(&mark, &record->phases[STARTUP_MUSIC_PLAY]);
    g_demoTime = 0.3f;
    RenderFrame();
    TakeStartupLap(&mark, &record->phases[STARTUP_FIRST_FRAME]);
    ReadHeadlessPixels(pixels.data());
    TakeStartupLap(&mark, &record->phases[STARTUP_FIRST_SHOW]);
    record->ok = g_musicStream != 0 ? 1 : 0;
    if (!record->ok)
        std::fprintf(stderr, "halvane-capture: the music did not open (error %d)\n", BASS_ErrorGetCode());
}

// Decodes and uploads one picture the way LoadTexture does, as two steps.
static void MeasurePictureSteps(StartupRecord* record, StartupMark* mark, const char* path)
{
    const char* name = std::strrchr(path, '/') ? std::strrchr(path, '/') + 1 : path;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool loaded = ilLoadImage(path) == IL_TRUE;
    AddStartupStep(record, mark, name, " decode");
    ilutRenderer(ILUT_OPENGL);
    const GLuint texture = loaded ? ilutGLBindTexImage() : 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    AddStartupStep(record, mark, name, " upload");
}

// InitShow's loading calls one at a time, each timed.
static void MeasureStepStart(const CaptureOptions& options, StartupRecord* record)
{
    const DisplaySettings& d = g_displaySettings;
    if (!OpenHeadlessGl(d.windowWidth, d.windowHeight, options.samples))
        return;
    StartupMark mark = ReadStartupMark();
    ilInit();
    AddStartupStep(record, &mark, "ilInit", "");
    for (const CaptionSheet& sheet : CAPTION_SHEETS)
        MeasurePictureSteps(record, &mark, sheet.file);
    for (const char* path : STARTUP_MESH_FILES) {
        Mesh mesh = {};
        LoadObjMesh(path, &mesh);
        ReleaseMesh(&mesh);
        AddStartupStep(record, &mark, std::strrchr(path, '/') + 1, "");
    }
    MeasurePictureSteps(record, &mark, "data/png/credits.png");
    record->ok = 1;
}

// Runs one start in a child process and collects its record. False when the
// child failed or could not be made.
static bool RunStartupChild(const CaptureOptions& options, bool steps, StartupRecord* record)
{
    *record = StartupRecord();
    int ends[2];
    if (pipe(ends) != 0)
        return false;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (child == 0) {
        close(ends[0]);
        StartupRecord own = StartupRecord();
        if (steps)
            MeasureStepStart(options, &own);
        else
            MeasurePhaseStart(options, &own);
        const bool sent = write(ends[1], &own, sizeof own) == static_cast<ssize_t>(sizeof own);
        // No teardown: the measurement is over, and exit handlers of the
        // libraries have nothing to add.
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    size_t got = 0;
    char* bytes = reinterpret_cast<char*>(record);
    while (got < sizeof *record) {
        const ssize_t n = read(ends[0], bytes + got, sizeof *record - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == sizeof *record && record->ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Prints one row: the median wall time and its range, the median CPU time
// and the median page faults of count laps.
static void PrintStartupRow(const char* name, const StartupLap* laps, int count)
{
    double wall[STARTUP_RUNS], cpu[STARTUP_RUNS], faults[STARTUP_RUNS];
    for (int r = 0; r < count; ++r) {
        wall[r] = laps[r].wall;
        cpu[r] = laps[r].cpu;
        faults[r] = laps[r].faults;
    }
    const double median = GetMedian(wall, count);
    std::printf("  %-30s %8.1f %8.1f-%-8.1f %8.1f %7.0f\n", name, median, wall[0], wall[count - 1],
        GetMedian(cpu, count), GetMedian(faults, count));
}

// Runs STARTUP_RUNS children of one kind; false when one fails.
static bool RunStartupChildren(const CaptureOptions& options, bool steps, StartupRecord* records)
{
    for (int r = 0; r < STARTUP_RUNS; ++r)
        if (!RunStartupChild(options, steps, &records[r])) {
            std::fprintf(stderr, "halvane-capture: a start failed\n");
            return false;
        }
    return true;
}

int RunCaptureStartup(const CaptureOptions& options)
{
    std::printf("halvane-capture --startup: %dx%d, %d samples per pixel asked for, %d starts each in a\n"
        "fresh process; median wall-clock ms (range), median CPU ms of all threads, page faults\n",
        g_displaySettings.windowWidth, g_displaySettings.windowHeight, options.samples, STARTUP_RUNS);
    static StartupRecord records[STARTUP_RUNS];
    if (!RunStartupChildren(options, false, records))
        return 1;
    StartupLap laps[STARTUP_RUNS], totals[STARTUP_RUNS] = {};
    std::printf("  %-30s %8s %-17s %8s %7s\n", "phase", "median", "range", "cpu", "faults");
    for (int phase = 0; phase < STARTUP_PHASE_COUNT; ++phase) {
        for (int r = 0; r < STARTUP_RUNS; ++r) {
            laps[r] = records[r].phases[phase];
            // The dialog-to-frame total leaves the window and context out.
            if (phase != STARTUP_CONTEXT) {
                totals[r].wall += laps[r].wall;
                totals[r].cpu += laps[r].cpu;
                totals[r].faults += laps[r].faults;
            }
        }
        PrintStartupRow(PHASE_NAMES[phase], laps, STARTUP_RUNS);
    }
    PrintStartupRow("dialog to first frame", totals, STARTUP_RUNS);
    std::printf("  (InitShow through the read back; goal 150 ms)\n\n");
    std::fflush(stdout);

    if (!RunStartupChildren(options, true, records))
        return 1;
    std::printf("InitShow's loading calls one at a time, %d more starts:\n", STARTUP_RUNS);
    std::printf("  %-30s %8s %-17s %8s %7s\n", "step", "median", "range", "cpu", "faults");
    double sumWall = 0.0, sumCpu = 0.0;
    for (int k = 0; k < records[0].stepCount; ++k) {
        double wall[STARTUP_RUNS], cpu[STARTUP_RUNS];
        for (int r = 0; r < STARTUP_RUNS; ++r) {
            laps[r] = records[r].steps[k];
            wall[r] = laps[r].wall;
            cpu[r] = laps[r].cpu;
        }
        PrintStartupRow(records[0].stepNames[k], laps, STARTUP_RUNS);
        sumWall += GetMedian(wall, STARTUP_RUNS);
        sumCpu += GetMedian(cpu, STARTUP_RUNS);
    }
    std::printf("  %-30s %8.1f %-17s %8.1f\n", "sum of the medians", sumWall, "", sumCpu);
    return 0;
}

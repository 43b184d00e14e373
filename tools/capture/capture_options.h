// The offline renderer's command line: what it renders and where to.
// Parsing is a pure function of the argument list, so the tests can feed it
// lists directly; it never exits the process itself.
#pragma once

#include <string>

// Default samples per pixel of the headless context, so the multisampling
// that the show switches on every frame has an effect.
constexpr int DEFAULT_CAPTURE_SAMPLES = 4;
// Default frame rate of the rendered sequence and of the video.
constexpr int DEFAULT_CAPTURE_FPS = 60;
// Highest frame rate accepted; beyond it the step no longer means anything.
constexpr int MAX_CAPTURE_FPS = 1000;
// Most PNG files one --every run may write.
constexpr int MAX_CAPTURE_FRAME_FILES = 100000;
// Smallest --width, and the step it goes in so the height stays whole.
constexpr int MIN_CAPTURE_WIDTH = 64;
constexpr int CAPTURE_WIDTH_STEP = 16;
// Demo time between two thumbnails of the contact sheet.
constexpr double SHEET_INTERVAL = 5.0;

// Everything the command line asked for. A path that is empty was not asked
// for; several outputs may be asked for at once and share one render pass.
struct CaptureOptions {
    int fps = DEFAULT_CAPTURE_FPS;
    int samples = DEFAULT_CAPTURE_SAMPLES;  // --samples: 1 means none
    bool fourThree = false;       // --aspect 4:3 (1024 x 768, viewport 576)
    int width = 0;                // --width W: a W x W*9/16 window (0: 1280 x 720)
    std::string dataDir;          // --data: the folder holding the content
    // --at T FILE: the first frame at or after demo time T.
    bool hasAt = false;
    double atTime = 0.0;
    std::string atFile;
    // --from A --to B --every S DIR: frames at A, A+S, ... up to B.
    bool hasEvery = false;
    bool hasFrom = false;
    bool hasTo = false;
    double fromTime = 0.3;
    double toTime = 180.0;
    double everySeconds = 0.0;
    std::string everyDir;
    // --until T: the pass ends with the first frame at or after T.
    bool hasUntil = false;
    double untilTime = 180.0;
    std::string videoFile;        // --video FILE
    std::string x264Settings;     // --x264 "OPTIONS": empty for the default
    std::string sheetFile;        // --sheet FILE
    bool bench = false;           // --bench
    std::string profileFile;      // --profile FILE: with --bench, the whole show
    bool startup = false;         // --startup
    bool help = false;            // --help
};

// What parsing found.
enum CaptureParseResult {
    CAPTURE_PARSE_OK,     // options filled, something to render
    CAPTURE_PARSE_HELP,   // --help was given: print the usage, exit 0
    CAPTURE_PARSE_ERROR   // error holds a one-line reason: exit 2
};

// Parses argv[1..argc-1] into options. On an error, error receives a message
// naming the offending argument and options is left partly filled.
CaptureParseResult ParseCaptureOptions(int argc, const char* const* argv,
    CaptureOptions* options, std::string* error);

// The text of --help: every option, the frame clock and the exit codes.
const char* GetCaptureUsage();

// Number of frame files --every writes: A, A+S, ... while <= B.
int CountEveryTargets(const CaptureOptions& options);

// The i-th target time of --every, computed from A directly (not summed) so
// that long runs do not drift.
double GetEveryTarget(const CaptureOptions& options, int i);

// Number of thumbnails of the contact sheet: 0.3 s, then 5, 10, ... 180 s,
// or up to --until.
int CountSheetTargets(const CaptureOptions& options);

// The demo time of the i-th thumbnail of the contact sheet.
double GetSheetTarget(int i);

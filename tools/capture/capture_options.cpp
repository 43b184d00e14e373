// Command-line parsing and usage text of halvane-capture.
#include "tools/capture/capture_options.h"

#include "timeline/show_state.h"
#include "tools/capture/capture_video.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

static const char USAGE[] =
"Usage: halvane-capture [options] OUTPUT...\n"
"\n"
"Renders the show without a display (Mesa through EGL) and writes pictures or\n"
"a video. Several outputs may be given at once; they share one render pass.\n"
"\n"
"Outputs:\n"
"  --at T FILE.png        the first frame at or after demo time T\n"
"  --from A --to B --every S DIR\n"
"                         frames at demo times A, A+S, A+2S, ... up to B, as\n"
"                         DIR/tTTTT.TTT.png (DIR is created; A defaults to\n"
"                         0.3, B to --until)\n"
"  --video FILE.mp4       the show as H.264 (yuv420p) at --fps, with its sound\n"
"                         as AAC: the music as the sound library plays it,\n"
"                         silent where the library refuses it or its decoding\n"
"                         ends (ffmpeg)\n"
"  --sheet FILE.png       a contact sheet: a thumbnail every 5 s of demo time,\n"
"                         each labelled with the demo time of its frame\n"
"  --bench                times 300 frames inside each scene's window and an\n"
"                         empty frame (captions only), prints the median\n"
"                         milliseconds per frame (glFinish included) and how\n"
"                         long InitShow takes; writes nothing\n"
"  --bench --profile FILE.png\n"
"                         times every frame of the whole show instead and\n"
"                         prints the median of each 5 s stretch of demo time;\n"
"                         FILE.png plots them against the 16.7 ms of 60\n"
"                         frames/s, with the scene windows marked\n"
"  --startup              times the start in 7 fresh processes: window and\n"
"                         context, InitShow, opening and starting the music,\n"
"                         the first frame and its read back; then InitShow's\n"
"                         loading calls one by one (each picture's decode and\n"
"                         upload, each mesh); prints medians, writes nothing\n"
"\n"
"Settings:\n"
"  --x264 \"OPTIONS\"       the encoder's settings for --video, as ffmpeg\n"
"                         options (default \"-preset superfast -crf 18\")\n"
"  --until T              end the pass, and every output, with the first frame\n"
"                         at or after demo time T (default: the show's end,\n"
"                         180 s): e.g. a short --video or a partial --sheet\n"
"  --fps N                frames per second of the sequence, 1 to 1000\n"
"                         (default 60)\n"
"  --aspect 16:9|4:3      16:9 renders 1280x720; 4:3 renders 1024x768 with the\n"
"                         16:9 picture between black bars (default 16:9)\n"
"  --width W              a smaller 16:9 window, W x W*9/16 (W from 64 to\n"
"                         1280 in steps of 16), the whole show scaled down\n"
"                         into it: quicker runs for checks (not with 4:3,\n"
"                         whose bars belong to the 1024 x 768 window)\n"
"  --samples N            samples per pixel: 1 (no multisampling), 2, 4 or 8\n"
"                         (default 4; Mesa falls back to 1 when it has no\n"
"                         such buffer; --bench prints what it got)\n"
"  --data DIR             the folder holding the show's content (the one that\n"
"                         has sphere_up.obj, png/, the music), whatever its\n"
"                         name; default: the data/ the player finds, beside\n"
"                         the program, in ../share/halvane beside it, in\n"
"                         /usr/share/halvane, or in the working directory\n"
"                         (exit 1 naming where it looked when none is).\n"
"                         Output paths still resolve against the working\n"
"                         directory\n"
"  -h, --help             this text\n"
"\n"
"The frame clock: the first frame is drawn at demo time 0.3 and every further\n"
"frame adds (float)(1.0/fps) to the demo time in single precision, exactly as\n"
"the show accumulates its frame times; frames are drawn in sequence from the\n"
"start, so random draws and gathered squares follow a real run at that rate.\n"
"Accumulation keeps frame k within a few milliseconds of 0.3 + k/fps (0.2 ms\n"
"at 180 s for 60 fps). The run ends with the first frame at or after 180 s,\n"
"which is still drawn, or earlier when no output needs more. Picture targets\n"
"take the first frame at or after their time; labels and messages give that\n"
"frame's actual demo time. The music is opened as a decoding stream on the\n"
"\"no sound\" device and set, before every frame, to demo time - 0.3, so the\n"
"scenes hear what would be playing then; without it the show is silent.\n"
"\n"
"Messages: what the show would show in a message box (a mesh or the music\n"
"that cannot be opened) is printed on stderr as \"caption: text\", or as the\n"
"text alone when the box has no caption, followed by \"  file: PATH\" when\n"
"it is about a file, and the show goes on. Pictures are PNG files: a\n"
"picture's name must end in .png.\n"
"\n"
"Exit codes: 0 done, 1 rendering or writing failed, 2 bad arguments.\n";

const char* GetCaptureUsage()
{
    return USAGE;
}

// Reads a whole argument as a finite number; false on anything else.
static bool ParseNumber(const char* text, double* value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// Reads a demo time within the show (0 to 180 s) into value.
static bool ParseDemoTime(const char* option, const char* text, double* value, std::string* error)
{
    if (!ParseNumber(text, value)) {
        *error = std::string(option) + ": '" + text + "' is not a number of seconds";
        return false;
    }
    if (*value < 0.0 || *value > static_cast<double>(END_TIME)) {
        *error = std::string(option) + ": " + text + " s lies outside the show (0 to 180 s)";
        return false;
    }
    return true;
}

// True when a picture's file name ends in .png (any case): the pictures are
// written as PNG, and a name that promises another format is refused rather
// than filled with PNG bytes.
static bool IsPngName(const std::string& name)
{
    static const char SUFFIX[] = ".png";
    const size_t length = sizeof SUFFIX - 1;
    if (name.size() <= length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[name.size() - length + i])) != SUFFIX[i])
            return false;
    }
    return true;
}

// Fails with a message naming the option when a picture's name is not .png.
static bool RefuseNonPngName(const char* option, const std::string& name, std::string* error)
{
    if (name.empty() || IsPngName(name))
        return true;
    *error = std::string(option) + ": '" + name + "' does not end in .png; pictures are written as PNG only";
    return false;
}

// Fails with a message when an option that takes one output is given twice.
static bool RefuseRepeat(bool alreadyGiven, const char* option, std::string* error)
{
    if (alreadyGiven)
        *error = std::string(option) + " is given twice";
    return !alreadyGiven;
}

int CountEveryTargets(const CaptureOptions& options)
{
    // A small tolerance keeps B itself when (B - A) / S is whole but rounds low.
    double steps = (options.toTime - options.fromTime) / options.everySeconds;
    if (steps >= static_cast<double>(MAX_CAPTURE_FRAME_FILES))
        return MAX_CAPTURE_FRAME_FILES + 1;
    return static_cast<int>(std::floor(steps + 1e-9)) + 1;
}

double GetEveryTarget(const CaptureOptions& options, int i)
{
    return options.fromTime + options.everySeconds * i;
}

int CountSheetTargets(const CaptureOptions& options)
{
    return static_cast<int>(options.untilTime / SHEET_INTERVAL) + 1;
}

double GetSheetTarget(int i)
{
    // The first thumbnail is the first frame; the show has no frame before 0.3.
    return i == 0 ? 0.3 : SHEET_INTERVAL * i;
}

// Checks the options that only make sense together.
static bool CheckCaptureOptions(CaptureOptions* options, std::string* error)
{
    // Without --to, --every runs as far as the pass does.
    if (!options->hasTo)
        options->toTime = options->untilTime;
    if ((options->hasFrom || options->hasTo) && !options->hasEvery) {
        *error = "--from and --to need --every S DIR";
        return false;
    }
    if (options->hasEvery) {
        if (options->fromTime > options->toTime) {
            *error = "--from must not lie after --to";
            return false;
        }
        if (CountEveryTargets(*options) > MAX_CAPTURE_FRAME_FILES) {
            *error = "--every would write more than 100000 files; choose a longer step";
            return false;
        }
    }
    if (options->hasUntil) {
        if (options->hasAt && options->atTime > options->untilTime) {
            *error = "--at lies after --until";
            return false;
        }
        if (options->hasEvery && options->toTime > options->untilTime) {
            *error = "--to lies after --until";
            return false;
        }
    }
    if (options->width != 0 && options->fourThree) {
        *error = "--width draws the 16:9 picture; it does not go with --aspect 4:3";
        return false;
    }
    bool hasOutput = options->hasAt || options->hasEvery || !options->videoFile.empty()
        || !options->sheetFile.empty();
    if (!options->x264Settings.empty() && options->videoFile.empty()) {
        *error = "--x264 sets up --video; give both";
        return false;
    }
    if (!options->profileFile.empty() && !options->bench) {
        *error = "--profile is a kind of --bench; give both";
        return false;
    }
    if (options->startup && (options->bench || hasOutput)) {
        *error = "--startup makes its own starts and writes nothing; give it alone";
        return false;
    }
    if (options->bench && hasOutput) {
        *error = "--bench renders its own frames and writes nothing; give it alone";
        return false;
    }
    if (!options->bench && !options->startup && !hasOutput) {
        *error = "nothing to do: give --at, --every, --video, --sheet, --bench or --startup";
        return false;
    }
    return true;
}

CaptureParseResult ParseCaptureOptions(int argc, const char* const* argv,
    CaptureOptions* options, std::string* error)
{
    *options = CaptureOptions();
    error->clear();
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // The number of values each option takes, checked before reading them.
        int values = 0;
        if (!std::strcmp(arg, "--at") || !std::strcmp(arg, "--every"))
            values = 2;
        else if (!std::strcmp(arg, "--from") || !std::strcmp(arg, "--to") || !std::strcmp(arg, "--until")
            || !std::strcmp(arg, "--video") || !std::strcmp(arg, "--profile") || !std::strcmp(arg, "--x264")
            || !std::strcmp(arg, "--sheet") || !std::strcmp(arg, "--fps") || !std::strcmp(arg, "--samples") || !std::strcmp(arg, "--aspect")
            || !std::strcmp(arg, "--width")
            || !std::strcmp(arg, "--data"))
            values = 1;
        else if (!std::strcmp(arg, "--bench") || !std::strcmp(arg, "--startup") || !std::strcmp(arg, "--help")
            || !std::strcmp(arg, "-h"))
            values = 0;
        else {
            *error = std::string("unknown argument '") + arg + "'";
            return CAPTURE_PARSE_ERROR;
        }
        if (i + values >= argc) {
            *error = std::string(arg) + (values == 2 ? " needs two values" : " needs a value");
            return CAPTURE_PARSE_ERROR;
        }
        const char* v1 = values >= 1 ? argv[i + 1] : nullptr;
        const char* v2 = values >= 2 ? argv[i + 2] : nullptr;
        i += values;

        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            options->help = true;
        } else if (!std::strcmp(arg, "--bench")) {
            options->bench = true;
        } else if (!std::strcmp(arg, "--startup")) {
            options->startup = true;
        } else if (!std::strcmp(arg, "--at")) {
            if (!RefuseRepeat(options->hasAt, arg, error) || !ParseDemoTime(arg, v1, &options->atTime, error))
                return CAPTURE_PARSE_ERROR;
            if (!*v2) {
                *error = "--at needs a file name after the time";
                return CAPTURE_PARSE_ERROR;
            }
            options->hasAt = true;
            options->atFile = v2;
        } else if (!std::strcmp(arg, "--every")) {
            if (!RefuseRepeat(options->hasEvery, arg, error))
                return CAPTURE_PARSE_ERROR;
            if (!ParseNumber(v1, &options->everySeconds) || options->everySeconds <= 0.0) {
                *error = std::string("--every: '") + v1 + "' is not a positive number of seconds";
                return CAPTURE_PARSE_ERROR;
            }
            if (!*v2) {
                *error = "--every needs a folder after the step";
                return CAPTURE_PARSE_ERROR;
            }
            options->hasEvery = true;
            options->everyDir = v2;
        } else if (!std::strcmp(arg, "--from")) {
            if (!RefuseRepeat(options->hasFrom, arg, error) || !ParseDemoTime(arg, v1, &options->fromTime, error))
                return CAPTURE_PARSE_ERROR;
            options->hasFrom = true;
        } else if (!std::strcmp(arg, "--to")) {
            if (!RefuseRepeat(options->hasTo, arg, error) || !ParseDemoTime(arg, v1, &options->toTime, error))
                return CAPTURE_PARSE_ERROR;
            options->hasTo = true;
        } else if (!std::strcmp(arg, "--until")) {
            if (!RefuseRepeat(options->hasUntil, arg, error) || !ParseDemoTime(arg, v1, &options->untilTime, error))
                return CAPTURE_PARSE_ERROR;
            options->hasUntil = true;
        } else if (!std::strcmp(arg, "--video") || !std::strcmp(arg, "--sheet") || !std::strcmp(arg, "--profile")) {
            std::string& file = arg[2] == 'v' ? options->videoFile
                : arg[2] == 's' ? options->sheetFile : options->profileFile;
            if (!RefuseRepeat(!file.empty(), arg, error))
                return CAPTURE_PARSE_ERROR;
            if (!*v1) {
                *error = std::string(arg) + " needs a file name";
                return CAPTURE_PARSE_ERROR;
            }
            file = v1;
        } else if (!std::strcmp(arg, "--x264")) {
            if (!*v1 || !IsSafeX264Settings(v1)) {
                *error = std::string("--x264: '") + v1 + "' is not a list of encoder options";
                return CAPTURE_PARSE_ERROR;
            }
            options->x264Settings = v1;
        } else if (!std::strcmp(arg, "--fps")) {
            double fps = 0.0;
            if (!ParseNumber(v1, &fps) || fps != std::floor(fps) || fps < 1.0 || fps > MAX_CAPTURE_FPS) {
                *error = std::string("--fps: '") + v1 + "' is not a whole number from 1 to 1000";
                return CAPTURE_PARSE_ERROR;
            }
            options->fps = static_cast<int>(fps);
        } else if (!std::strcmp(arg, "--samples")) {
            if (!std::strcmp(v1, "1") || !std::strcmp(v1, "2") || !std::strcmp(v1, "4") || !std::strcmp(v1, "8"))
                options->samples = std::atoi(v1);
            else {
                *error = std::string("--samples: '") + v1 + "' is not 1, 2, 4 or 8";
                return CAPTURE_PARSE_ERROR;
            }
        } else if (!std::strcmp(arg, "--width")) {
            double width = 0.0;
            if (!ParseNumber(v1, &width) || width != std::floor(width) || width < MIN_CAPTURE_WIDTH
                || width > DISPLAY_16_9.windowWidth || static_cast<int>(width) % CAPTURE_WIDTH_STEP != 0) {
                *error = std::string("--width: '") + v1 + "' is not a whole number from 64 to 1280 in steps of 16";
                return CAPTURE_PARSE_ERROR;
            }
            options->width = static_cast<int>(width);
        } else if (!std::strcmp(arg, "--aspect")) {
            if (!std::strcmp(v1, "16:9"))
                options->fourThree = false;
            else if (!std::strcmp(v1, "4:3"))
                options->fourThree = true;
            else {
                *error = std::string("--aspect: '") + v1 + "' is neither 16:9 nor 4:3";
                return CAPTURE_PARSE_ERROR;
            }
        } else if (!std::strcmp(arg, "--data")) {
            if (!*v1) {
                *error = "--data needs a folder";
                return CAPTURE_PARSE_ERROR;
            }
            options->dataDir = v1;
        }
    }
    if (options->help)
        return CAPTURE_PARSE_HELP;
    if (!RefuseNonPngName("--at", options->atFile, error) || !RefuseNonPngName("--sheet", options->sheetFile, error)
        || !RefuseNonPngName("--profile", options->profileFile, error))
        return CAPTURE_PARSE_ERROR;
    return CheckCaptureOptions(options, error) ? CAPTURE_PARSE_OK : CAPTURE_PARSE_ERROR;
}

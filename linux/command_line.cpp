// Command-line parsing and usage text of the native player.
#include "linux/command_line.h"

#include <cstring>

static const char USAGE[] =
"Usage: halvane [options]\n"
"\n"
"Plays the show. Without options a setup dialog asks for the aspect and the\n"
"display mode; any of the options below skips it, and what is not given\n"
"takes the dialog's preselection (16:9, fullscreen).\n"
"\n"
"  --aspect 16:9|4:3   16:9 shows a 1280x720 frame; 4:3 a 1024x768 frame with\n"
"                      the 16:9 picture between black bars\n"
"  --fullscreen        cover the whole screen at its own resolution, the\n"
"                      frame scaled as large as it fits (the default)\n"
"  --windowed          a window whose inner size is the frame's\n"
"  --report-timing     print how long the start-up phases took, in ms\n"
"  -h, --help          this text\n"
"\n"
"While the show runs: Escape or closing the window ends it; F11 or Alt+Enter\n"
"switches between fullscreen and windowed, and so does the signal SIGUSR1\n"
"(kill -USR1 PID). The show ends by itself after three minutes. SIGINT\n"
"(Ctrl+C) and SIGTERM end the program at any time, by that signal.\n"
"\n"
"The content is read from data/ beside the program, else from\n"
"../share/halvane/data/ beside it, else /usr/share/halvane/data/, else data/\n"
"in the working directory. A file the show cannot open is named on stderr\n"
"by its full path, after the message the show gives for it.\n"
"\n"
"Exit codes: 0 the show ended or the dialog was left, 1 no display, no GL\n"
"window or no data folder (stderr says where it was looked for), 2 bad\n"
"arguments, 130 and 143 (as a shell shows them) SIGINT and SIGTERM.\n";

const char* GetPlayerUsage()
{
    return USAGE;
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE";
// advances *i past a separate value. Null when the value is missing.
static const char* TakeValue(int argc, const char* const* argv, int* i, const char* name)
{
    const char* arg = argv[*i];
    const size_t length = std::strlen(name);
    if (arg[length] == '=')
        return arg + length + 1;
    if (*i + 1 >= argc)
        return nullptr;
    *i += 1;
    return argv[*i];
}

// True when arg is the option name alone or "name=...".
static bool IsOption(const char* arg, const char* name)
{
    const size_t length = std::strlen(name);
    return std::strncmp(arg, name, length) == 0 && (arg[length] == '\0' || arg[length] == '=');
}

// Records one display setting; a second, different value of the same
// setting is refused rather than silently winning.
static bool SetOnce(int* slot, int value, const char* what, std::string* error)
{
    if (*slot != -1 && *slot != value) {
        *error = std::string("conflicting ") + what + " options";
        return false;
    }
    *slot = value;
    return true;
}

PlayerParseResult ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                                     std::string* error)
{
    *options = PlayerOptions();
    int wide = -1;        // 1 for 16:9, 0 for 4:3, -1 not given
    int fullscreen = -1;  // 1 fullscreen, 0 windowed, -1 not given
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)
            return PLAYER_PARSE_HELP;
        if (IsOption(arg, "--aspect")) {
            const char* value = TakeValue(argc, argv, &i, "--aspect");
            if (!value) {
                *error = "--aspect needs a value: 16:9 or 4:3";
                return PLAYER_PARSE_ERROR;
            }
            int chosen;
            if (std::strcmp(value, "16:9") == 0) {
                chosen = 1;
            } else if (std::strcmp(value, "4:3") == 0) {
                chosen = 0;
            } else {
                *error = std::string("--aspect takes 16:9 or 4:3, not '") + value + "'";
                return PLAYER_PARSE_ERROR;
            }
            if (!SetOnce(&wide, chosen, "--aspect", error))
                return PLAYER_PARSE_ERROR;
        } else if (std::strcmp(arg, "--fullscreen") == 0) {
            if (!SetOnce(&fullscreen, 1, "--fullscreen/--windowed", error))
                return PLAYER_PARSE_ERROR;
        } else if (std::strcmp(arg, "--windowed") == 0) {
            if (!SetOnce(&fullscreen, 0, "--fullscreen/--windowed", error))
                return PLAYER_PARSE_ERROR;
        } else if (std::strcmp(arg, "--report-timing") == 0) {
            options->reportTiming = true;
        } else if (arg[0] == '-') {
            *error = std::string("unknown option '") + arg + "'";
            return PLAYER_PARSE_ERROR;
        } else {
            *error = std::string("unexpected argument '") + arg + "'";
            return PLAYER_PARSE_ERROR;
        }
    }
    options->skipDialog = wide != -1 || fullscreen != -1;
    options->display = wide == 0 ? DISPLAY_4_3 : DISPLAY_16_9;
    options->display.fullscreen = fullscreen == 0 ? 0 : 1;
    return PLAYER_PARSE_OK;
}

// The native player's command line. Options that name a display setting
// skip the setup dialog, so scripts can start the show directly. Parsing is
// a pure function of the argument list, so the tests can feed it lists; it
// never exits the process itself.
#pragma once

#include "timeline/show_state.h"

#include <string>

// Everything the command line asked for.
struct PlayerOptions {
    bool skipDialog = false;   // --aspect, --fullscreen or --windowed given
    DisplaySettings display = DISPLAY_16_9;  // the dialog's preselection unless given
    bool reportTiming = false; // --report-timing: print the start-up phases
};

// What parsing found.
enum PlayerParseResult {
    PLAYER_PARSE_OK,     // options filled
    PLAYER_PARSE_HELP,   // --help: print the usage, exit 0
    PLAYER_PARSE_ERROR   // error holds a one-line reason: exit 2
};

// Parses argv[1..argc-1]. On an error, error receives a message naming the
// offending argument and options is left partly filled.
PlayerParseResult ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                                     std::string* error);

// The text of --help: every option and the exit codes.
const char* GetPlayerUsage();

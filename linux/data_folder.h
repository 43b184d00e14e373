// Where the player finds its content. The core opens "data/..." relative to
// the working directory, so the player changes into the folder that holds
// data/ before anything is loaded.
#pragma once

#include <string>

// The folders tried, in order, for one whose data/ exists: the executable's
// own folder (a build tree), its ../share/halvane (an installed package,
// wherever its prefix is), then /usr/share/halvane. Empty strings are
// skipped. Returns the first that has data/, or "" when none has.
std::string FindDataParent(const std::string& executableFolder);

// Changes into the folder FindDataParent finds for this executable. With
// none the working directory stays, and data/ is looked for there, as the
// Windows program does. Returns the folder entered, or "".
std::string EnterDataFolder();

// Where a Linux host program finds the show's content. The core opens
// "data/..." relative to the working directory, so a program changes into
// the folder that holds data/ before anything is loaded. The native player
// and the offline renderer search alike:
//   1. the executable's own folder (a build tree, or a copied program with
//      its data beside it),
//   2. its ../share/halvane (an installed package, wherever its prefix is),
//   3. /usr/share/halvane (the package, for a program that lies elsewhere),
//   4. the working directory (as the Windows program looks there).
// A data/ counts only when it is a folder this process may read.
#pragma once

#include <string>
#include <vector>

// One place looked in: the folder that should hold data/, and why it is on
// the list (for the message that names where the program looked).
struct DataPlace {
    std::string parent;  // normalised, absolute
    const char* reason;  // "beside the program", "installed", ...
};

// The places searched for this executable's folder (executableFolder "" when
// unknown) and working directory, in order, duplicates dropped.
std::vector<DataPlace> ListDataPlaces(const std::string& executableFolder, const std::string& workingFolder);

// The first place whose data/ is a readable folder, or "" when none has one.
std::string FindDataParent(const std::vector<DataPlace>& places);

// Makes the show's relative "data/..." paths reach its content. With dataDir
// "" the places above are searched for this program; otherwise dataDir is the
// content folder itself, whatever its name (the working directory becomes its
// parent when it is named data, else a temporary folder holding a link named
// data to it). False, with a message in *error (several lines when it names
// where the program looked), when no readable content folder can be had.
bool EnterDataFolder(const std::string& dataDir, std::string* error);

// Removes the temporary link folder EnterDataFolder may have made.
void LeaveDataFolder();

// A content path as the core opened it ("data/knot1.obj"), made absolute
// from the working directory with the folders' links resolved, so that a
// message names the file the user put (or did not put) there. Returns the
// path unchanged when it cannot be resolved.
std::string ResolveContentPath(const char* path);

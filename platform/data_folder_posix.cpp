// Finding and entering the folder that holds the show's data/ (see
// data_folder.h), for POSIX systems with /proc (Linux).
#include "platform/data_folder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// The data folder of an installed package whose program lies elsewhere.
static const char SYSTEM_DATA_PARENT[] = "/usr/share/halvane";

// The folder made to give a differently named content folder the name
// "data"; "" when none was made.
static std::string s_linkFolder;

// The folder of the running executable, symbolic links resolved; "" when
// the system does not tell.
static std::string GetExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return std::string();
    path[length] = '\0';
    return fs::path(path).parent_path().string();
}

// The working directory; "" when it cannot be had (deleted, unreadable).
static std::string GetWorkingFolder()
{
    std::error_code ec;
    const fs::path folder = fs::current_path(ec);
    return ec ? std::string() : folder.string();
}

// True when folder is a directory this process may list and open files in.
static bool IsReadableFolder(const std::string& folder)
{
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(folder.c_str(), R_OK | X_OK) == 0;
}

std::vector<DataPlace> ListDataPlaces(const std::string& executableFolder, const std::string& workingFolder)
{
    std::vector<DataPlace> candidates;
    if (!executableFolder.empty()) {
        candidates.push_back({ executableFolder, "beside the program" });
        candidates.push_back({ executableFolder + "/../share/halvane", "installed beside the program" });
    }
    candidates.push_back({ SYSTEM_DATA_PARENT, "installed" });
    if (!workingFolder.empty())
        candidates.push_back({ workingFolder, "the working directory" });
    std::vector<DataPlace> places;
    for (DataPlace& place : candidates) {
        place.parent = fs::path(place.parent).lexically_normal().string();
        if (place.parent.size() > 1 && place.parent.back() == '/')
            place.parent.pop_back();
        bool seen = false;
        for (const DataPlace& earlier : places)
            seen = seen || earlier.parent == place.parent;
        if (!seen)
            places.push_back(place);
    }
    return places;
}

std::string FindDataParent(const std::vector<DataPlace>& places)
{
    for (const DataPlace& place : places) {
        if (IsReadableFolder(place.parent + "/data"))
            return place.parent;
    }
    return std::string();
}

// Says where the search looked and what each place lacked.
static std::string DescribeSearch(const std::vector<DataPlace>& places)
{
    std::string text = "the show's data folder was not found; looked for:";
    for (const DataPlace& place : places) {
        const std::string data = place.parent + "/data";
        struct stat info;
        const char* state = stat(data.c_str(), &info) != 0 ? "not there"
            : !S_ISDIR(info.st_mode)                        ? "not a folder"
                                                            : "cannot be read";
        text += "\n  " + data + " (" + place.reason + "): " + state;
    }
    return text;
}

// Enters the first readable place of the search.
static bool EnterFoundDataFolder(std::string* error)
{
    const std::vector<DataPlace> places = ListDataPlaces(GetExecutableFolder(), GetWorkingFolder());
    const std::string parent = FindDataParent(places);
    if (parent.empty() || chdir(parent.c_str()) != 0) {
        *error = DescribeSearch(places);
        return false;
    }
    return true;
}

// Enters the parent of a content folder named data, or a temporary folder
// with a link named data to a content folder named otherwise.
static bool EnterNamedDataFolder(const std::string& dataDir, std::string* error)
{
    std::error_code ec;
    fs::path folder = fs::absolute(dataDir, ec).lexically_normal();
    if (ec || !fs::is_directory(folder)) {
        *error = "--data: '" + dataDir + "' is not a folder";
        return false;
    }
    if (!IsReadableFolder(folder.string())) {
        *error = "--data: '" + dataDir + "' cannot be read";
        return false;
    }
    if (!folder.has_filename())
        folder = folder.parent_path();
    if (folder.filename() == "data") {
        fs::current_path(folder.parent_path(), ec);
    } else {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/halvane-data-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            *error = "cannot make a temporary folder for the data link";
            return false;
        }
        s_linkFolder = pattern;
        fs::create_directory_symlink(folder, s_linkFolder + "/data", ec);
        if (!ec)
            fs::current_path(s_linkFolder, ec);
    }
    if (ec) {
        *error = "--data: cannot use '" + dataDir + "': " + ec.message();
        LeaveDataFolder();
        return false;
    }
    return true;
}

bool EnterDataFolder(const std::string& dataDir, std::string* error)
{
    return dataDir.empty() ? EnterFoundDataFolder(error) : EnterNamedDataFolder(dataDir, error);
}

void LeaveDataFolder()
{
    if (s_linkFolder.empty())
        return;
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove(s_linkFolder + "/data", ec);
    fs::remove(s_linkFolder, ec);
    s_linkFolder.clear();
}

std::string ResolveContentPath(const char* path)
{
    if (!path || !*path)
        return std::string();
    // The file itself may be missing: its folder is resolved, its name kept.
    const fs::path given(path);
    std::error_code ec;
    const fs::path folder = fs::canonical(fs::absolute(given, ec).parent_path(), ec);
    if (ec)
        return path;
    return (folder / given.filename()).string();
}

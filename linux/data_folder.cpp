// Finding and entering the folder that holds the show's data/ (see
// data_folder.h).
#include "linux/data_folder.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

// The data folder of an installed package whose program lies elsewhere.
static const char SYSTEM_DATA_PARENT[] = "/usr/share/halvane";

// True when folder/data is a directory.
static bool HasDataFolder(const std::string& folder)
{
    struct stat info;
    const std::string data = folder + "/data";
    return stat(data.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FindDataParent(const std::string& executableFolder)
{
    if (!executableFolder.empty()) {
        if (HasDataFolder(executableFolder))
            return executableFolder;
        const std::string shared = executableFolder + "/../share/halvane";
        if (HasDataFolder(shared))
            return shared;
    }
    if (HasDataFolder(SYSTEM_DATA_PARENT))
        return SYSTEM_DATA_PARENT;
    return std::string();
}

// The folder of the running executable, symbolic links resolved; "" when
// the system does not tell.
static std::string GetExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return std::string();
    path[length] = '\0';
    std::string folder(path);
    const size_t slash = folder.rfind('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash == 0 ? 1 : slash);
}

std::string EnterDataFolder()
{
    const std::string folder = FindDataParent(GetExecutableFolder());
    if (folder.empty() || chdir(folder.c_str()) != 0)
        return std::string();
    return folder;
}

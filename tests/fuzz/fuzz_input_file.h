// The fuzz targets' loaders read files by name, so each input is written to
// a file of its own process first (fork mode runs several processes).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// The process's input file; removed when the process ends normally.
inline std::string& FuzzInputPath()
{
    static std::string path;
    return path;
}

inline void RemoveFuzzInputFile()
{
    unlink(FuzzInputPath().c_str());
}

// Writes the input to $TMPDIR/halvane-fuzz-<pid><extension> (the loaders
// choose by extension) and returns that path; stops the run when the file
// cannot be written, since nothing could be tested.
inline const char* WriteFuzzInputFile(const uint8_t* data, size_t size, const char* extension)
{
    std::string& path = FuzzInputPath();
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp && *tmp ? tmp : "/tmp") + "/halvane-fuzz-" + std::to_string(getpid()) + extension;
        std::atexit(RemoveFuzzInputFile);
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    return path.c_str();
}

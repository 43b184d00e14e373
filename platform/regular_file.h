// Platform service: opening a content file for reading.
//
// A data folder may hold anything under a content file's name: a FIFO (an
// open for reading waits for a writer, forever), a device that never ends
// (/dev/zero), a folder, or a file that grows while it is read. The loaders
// open their files only through this service, which hands out regular files
// alone, without waiting on anything else, and says how large the file was
// when it was opened, so that a loader reads no more than that.
// Each host implements it once:
//   regular_file_posix.cpp   open with O_NONBLOCK, then fstat (Linux, the web)
//   regular_file_win32.cpp   the C runtime's open, then _fstat64 (Windows)
#pragma once

#include <cstdint>
#include <cstdio>

// Opens path for binary reading when it names a regular file (after
// following symbolic links) and returns the stream, with *size set to the
// file's size at that moment. Returns null, at once, for a missing file and
// for anything that is not a regular file. The caller closes the stream.
FILE* OpenRegularFile(const char* path, int64_t* size);

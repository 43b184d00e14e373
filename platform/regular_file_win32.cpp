// OpenRegularFile on Windows. Opening never waits there (a data folder holds
// no pipes), but a name may still be a folder or a device such as NUL or
// CON: the C runtime's fstat tells a regular file by _S_IFREG.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

FILE* OpenRegularFile(const char* path, int64_t* size)
{
    const int fd = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return nullptr;
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "rb");
    if (!file) {
        _close(fd);
        return nullptr;
    }
    *size = static_cast<int64_t>(info.st_size);
    return file;
}

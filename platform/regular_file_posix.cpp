// OpenRegularFile on POSIX hosts (Linux, the web's file system). The file is
// opened without blocking, so a FIFO with no writer returns at once instead
// of waiting in open; only then does fstat tell what it is. The blocking
// mode is restored before reading: a regular file never waits anyway.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* OpenRegularFile(const char* path, int64_t* size)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0
        || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
    }
    *size = static_cast<int64_t>(info.st_size);
    return file;
}

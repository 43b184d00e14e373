// The heap set-up of the Linux host programs, for the GNU C library.
#include "platform/host_memory.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Blocks up to this size are kept in the heap once freed, so a block that is
// freed and asked for again every frame keeps its pages.
constexpr int KEPT_BLOCK_BYTES = 32 * 1024 * 1024;

// The tunable that puts the heap on transparent huge pages (where the
// system enables them on request); ignored by C libraries that lack it.
const char HUGE_PAGE_TUNABLE[] = "glibc.malloc.hugetlb";

}  // namespace

// Sets the heap's thresholds now and, once per program, starts again with
// huge pages asked for.
void TuneHostMemory(char** argv)
{
    mallopt(M_MMAP_THRESHOLD, KEPT_BLOCK_BYTES);
    mallopt(M_TRIM_THRESHOLD, 4 * KEPT_BLOCK_BYTES);

    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::strstr(tunables, HUGE_PAGE_TUNABLE))
        return;
    std::string value = tunables && *tunables ? std::string(tunables) + ":" : std::string();
    value += HUGE_PAGE_TUNABLE;
    value += "=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Starting again failed: go on with the thresholds alone.
}

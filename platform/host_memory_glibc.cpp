// The heap set-up of the Linux host programs, for the GNU C library.
#include "platform/host_memory.h"

#include <malloc.h>

// Blocks up to this size are kept in the heap once freed, so a block that is
// freed and asked for again every frame keeps its pages.
static const int KEPT_BLOCK_BYTES = 32 * 1024 * 1024;

void TuneHostMemory()
{
    mallopt(M_MMAP_THRESHOLD, KEPT_BLOCK_BYTES);
    mallopt(M_TRIM_THRESHOLD, 4 * KEPT_BLOCK_BYTES);
}

// A small pool of large freed blocks in front of malloc. Each block carries
// its capacity in a header, so a kept block can serve any later request up
// to that size. A picture load needs at most three large blocks at once (the
// compressed data, the inflated rows, the picture), so a few kept blocks
// cover every load after the first.
#include "image_memory.h"

#include <cstdlib>
#include <cstring>

namespace {

// Blocks smaller than this go straight back to malloc.
constexpr size_t KEPT_BLOCK_MIN = 256 * 1024;
constexpr int KEPT_BLOCK_COUNT = 6;
// Keeps the payload aligned as malloc aligns.
constexpr size_t HEADER_SIZE = 16;

void* s_keptBlocks[KEPT_BLOCK_COUNT] = {};
int s_keptCount = 0;

size_t& CapacityOf(void* block)
{
    return *reinterpret_cast<size_t*>(static_cast<unsigned char*>(block) - HEADER_SIZE);
}

// The smallest kept block that holds size bytes, taken out of the pool; null
// when none does.
void* TakeKeptBlock(size_t size)
{
    int best = -1;
    for (int i = 0; i < s_keptCount; ++i) {
        const size_t capacity = CapacityOf(s_keptBlocks[i]);
        if (capacity >= size && (best < 0 || capacity < CapacityOf(s_keptBlocks[best])))
            best = i;
    }
    if (best < 0)
        return nullptr;
    void* block = s_keptBlocks[best];
    s_keptBlocks[best] = s_keptBlocks[--s_keptCount];
    return block;
}

}  // namespace

void* AllocateImageMemory(size_t size)
{
    if (void* kept = TakeKeptBlock(size))
        return kept;
    if (size > static_cast<size_t>(-1) - HEADER_SIZE)
        return nullptr;
    unsigned char* raw = static_cast<unsigned char*>(malloc(HEADER_SIZE + size));
    if (!raw)
        return nullptr;
    void* block = raw + HEADER_SIZE;
    CapacityOf(block) = size;
    return block;
}

void* ResizeImageMemory(void* block, size_t size)
{
    if (!block)
        return AllocateImageMemory(size);
    if (CapacityOf(block) >= size)
        return block;
    void* grown = AllocateImageMemory(size);
    if (!grown)
        return nullptr;
    memcpy(grown, block, CapacityOf(block));
    FreeImageMemory(block);
    return grown;
}

void FreeImageMemory(void* block)
{
    if (!block)
        return;
    if (CapacityOf(block) >= KEPT_BLOCK_MIN && s_keptCount < KEPT_BLOCK_COUNT) {
        s_keptBlocks[s_keptCount++] = block;
        return;
    }
    free(static_cast<unsigned char*>(block) - HEADER_SIZE);
}

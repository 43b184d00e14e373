// Memory for the stand-in's decoding: stb_image allocates through these.
// Freed blocks of picture size are kept and handed out again, because on
// some hosts (Windows programs under Wine, for one) every large allocation is
// fresh memory whose first touch costs a page fault per 4 KB: twelve 1280 x
// 720 pictures decoded into new memory took three times as long as into
// memory already touched. Used on the GL thread only.
#pragma once
#include <cstddef>

// A block of at least size bytes, aligned as malloc's; null when out of memory.
void* AllocateImageMemory(size_t size);

// The block grown to at least size bytes, its content kept; block may be
// null. Null when out of memory, with block left as it was.
void* ResizeImageMemory(void* block, size_t size);

// Gives the block back; null is ignored.
void FreeImageMemory(void* block);

// Where a stream's compressed bytes come from: a file that stays open while
// the stream lives and is read a page at a time as the audio is decoded, or
// a copy of a block the caller gave (the caller's block may go away).
#pragma once

#include <cstdint>
#include <cstdio>

// One stream's bytes: `size` of them, from `base` in the file or the copy.
// A file is read in blocks through `cache`, so that reading one page after
// the other (a header, its lacing, its body) costs one system call per block.
struct SoundSource {
    FILE* file;               // null for a copied block
    unsigned char* copy;      // null for a file
    uint64_t base;            // file offset of byte 0
    uint64_t size;
    unsigned char* cache;     // a block of the file (files only)
    uint64_t cacheStart;      // source offset of the block's first byte
    size_t cacheBytes;        // bytes in the block
};

// Opens `length` bytes of the file `name` from `offset` (length 0: to its
// end). Only a regular file is opened, and only the size it has now is ever
// read. Returns BASS_OK, BASS_ERROR_FILEOPEN (missing, unreadable, a folder,
// a device, a FIFO) or BASS_ERROR_FILEFORM (nothing there).
int OpenFileSource(const char* name, uint64_t offset, uint64_t length, SoundSource* source);

// Copies `length` bytes at `data`. BASS_OK or BASS_ERROR_MEM.
int CopyMemorySource(const void* data, uint64_t length, SoundSource* source);

// Reads up to `bytes` bytes from byte `at` into `buffer`; returns how many
// were read (fewer at the end, or when the file cannot be read any more).
size_t ReadSoundSource(SoundSource& source, uint64_t at, void* buffer, size_t bytes);

// Closes the file or frees the copy; the source is then empty.
void CloseSoundSource(SoundSource& source);

// A stream's compressed bytes (see sound_source.h).
#include "soundlib/sound_source.h"

#include <cstdlib>
#include <cstring>

#include "platform/regular_file.h"
#include "soundlib/bass.h"

// Largest source a stream reads from: offsets stay within what the C
// library's fseek takes on every platform.
static const uint64_t MAX_SOURCE_BYTES = 1ull << 30;
// Bytes read from a file at a time.
static const size_t CACHE_BYTES = 64u << 10;

int OpenFileSource(const char* name, uint64_t offset, uint64_t length, SoundSource* source)
{
    std::memset(source, 0, sizeof(*source));
    // Only a regular file (links followed): a FIFO would block the open
    // until something writes to it, a device like /dev/zero never ends, a
    // folder cannot be read. Its size now is all that is ever read of it.
    int64_t end = 0;
    FILE* file = OpenRegularFile(name, &end);
    if (!file)
        return BASS_ERROR_FILEOPEN;
    uint64_t available = (uint64_t)end > offset ? (uint64_t)end - offset : 0;
    if (length != 0 && length < available)
        available = length;
    if (available == 0) {
        std::fclose(file);
        return BASS_ERROR_FILEFORM;   // empty, or the offset is at or past the end
    }
    if (offset + available > MAX_SOURCE_BYTES) {
        std::fclose(file);
        return BASS_ERROR_FILEOPEN;
    }
    source->cache = (unsigned char*)std::malloc(CACHE_BYTES);
    if (!source->cache) {
        std::fclose(file);
        return BASS_ERROR_MEM;
    }
    source->file = file;
    source->base = offset;
    source->size = available;
    return BASS_OK;
}

int CopyMemorySource(const void* data, uint64_t length, SoundSource* source)
{
    std::memset(source, 0, sizeof(*source));
    if (length > MAX_SOURCE_BYTES)
        return BASS_ERROR_MEM;
    source->copy = (unsigned char*)std::malloc((size_t)length);
    if (!source->copy)
        return BASS_ERROR_MEM;
    std::memcpy(source->copy, data, (size_t)length);
    source->size = length;
    return BASS_OK;
}

// Reads the block of the file that starts at `at` into the cache.
static void FillSourceCache(SoundSource& source, uint64_t at)
{
    source.cacheStart = at;
    source.cacheBytes = 0;
    size_t bytes = source.size - at < CACHE_BYTES ? (size_t)(source.size - at) : CACHE_BYTES;
    if (std::fseek(source.file, (long)(source.base + at), SEEK_SET) == 0)
        source.cacheBytes = std::fread(source.cache, 1, bytes, source.file);
}

size_t ReadSoundSource(SoundSource& source, uint64_t at, void* buffer, size_t bytes)
{
    if (at >= source.size)
        return 0;
    if (bytes > source.size - at)
        bytes = (size_t)(source.size - at);
    if (source.copy) {
        std::memcpy(buffer, source.copy + at, bytes);
        return bytes;
    }
    if (!source.file)
        return 0;
    size_t done = 0;
    while (done < bytes) {
        uint64_t from = at + done;
        if (from < source.cacheStart || from >= source.cacheStart + source.cacheBytes) {
            FillSourceCache(source, from);
            if (source.cacheBytes == 0)
                break;
        }
        size_t offset = (size_t)(from - source.cacheStart);
        size_t run = source.cacheBytes - offset < bytes - done ? source.cacheBytes - offset : bytes - done;
        std::memcpy((unsigned char*)buffer + done, source.cache + offset, run);
        done += run;
    }
    return done;
}

void CloseSoundSource(SoundSource& source)
{
    if (source.file)
        std::fclose(source.file);
    std::free(source.copy);
    std::free(source.cache);
    std::memset(&source, 0, sizeof(source));
}

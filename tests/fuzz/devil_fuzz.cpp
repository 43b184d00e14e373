// Fuzz target of the images as the Linux builds load them: LoadTexture
// through Debian's DevIL and its GL layer, in a headless context. DevIL is
// not built with the sanitizers, so only hangs (libFuzzer's -timeout) and
// faults that reach our code or the allocator show; see image_fuzz.h.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RunImageInput(data, size);
}

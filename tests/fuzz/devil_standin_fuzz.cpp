// Fuzz target of the images as the Windows build loads them: LoadTexture
// through the DevIL stand-in (stb_image, built here with the sanitizers) in
// a headless context; see image_fuzz.h.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RunImageInput(data, size);
}

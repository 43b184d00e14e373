// Inflating a zlib stream into a buffer of known size, with a decoder that
// builds on every host (stb_image's, compiled here on its own): the PNG
// check reads palette images' pixel data with it.
#pragma once

#include <cstddef>
#include <cstdint>

// Inflates the zlib stream at in (inSize bytes) into out and returns true
// when it gives exactly outSize bytes. False for a damaged stream, one that
// ends early, and one that would give more: nothing beyond out is written.
bool InflateZlib(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

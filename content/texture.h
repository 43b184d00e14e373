// Textures: PNG images decoded by DevIL and handed to GL by its GL layer.
#pragma once

#include <cstdint>

// A GL texture name; 0 when an image could not be loaded.
typedef uint32_t TextureId;

// Number of caption images.
enum { CAPTION_SLOT_COUNT = 11 };

// Loads one image file as a GL texture with linear filtering and leaves it
// bound to GL_TEXTURE_2D. Needs ilInit and a current GL context. Returns what
// DevIL's ilutGLBindTexImage gives; for a missing or broken file that is a
// texture of DevIL's 1 x 1 placeholder image (0 only if ILUT fails).
TextureId LoadTexture(const char* path);

// Loads the eleven caption images into g_captionTextures, slot 0 to 10, each
// from the file its caption sheet names.
void LoadCaptionImages();

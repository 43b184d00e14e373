// PNG files of the generated pictures, written for a quick start of the show:
// the show decodes all twelve pictures (DevIL over libpng) and hands them to
// GL before its first frame, and each byte of a picture is held twice after
// that (DevIL's copy and the texture), so the files use the fewest bytes per
// pixel the picture needs and the settings that inflate fastest.
#pragma once

#include <cairo.h>

// Writes an ARGB32 surface whose colours are all greys as an 8-bit grey +
// alpha PNG (two bytes per pixel instead of four), with straight (not
// premultiplied) alpha. A colour that is not grey is written as its
// luminance. Returns false when the file cannot be written.
bool WriteGreyAlphaPng(const char* path, cairo_surface_t* surface);

// Writes an RGB24 surface as an 8-bit RGB PNG. Returns false when the file
// cannot be written.
bool WriteRgbPng(const char* path, cairo_surface_t* surface);

// Writes an ARGB32 surface as an 8-bit RGBA PNG with straight (not
// premultiplied) alpha. Returns false when the file cannot be written.
bool WriteRgbaPng(const char* path, cairo_surface_t* surface);

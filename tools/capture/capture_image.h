// Pictures of the offline renderer: turning the read-back colour buffer into
// top-down RGB, writing PNG files, and the contact sheet of thumbnails with
// their time labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A top-down RGB picture, 3 bytes per pixel, rows packed.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Sizes image to width x height and fills it with one colour.
void ResizeRgbImage(RgbImage* image, int width, int height, uint8_t r, uint8_t g, uint8_t b);

// Turns the bottom-up RGBA rows of ReadHeadlessPixels into image, which must
// already have the same size: rows flipped to top-down, alpha dropped.
void ConvertReadbackToRgb(const uint8_t* rgba, RgbImage* image);

// Writes image as a PNG file; false (with a reason on stderr) on failure.
bool WritePngFile(const std::string& path, const RgbImage& image);

// Copies source scaled down by a whole factor (each target pixel the mean of
// a factor x factor block) into target at (x, y), clipped to target.
void PasteShrunkImage(const RgbImage& source, int factor, RgbImage* target, int x, int y);

// Draws text with the small built-in bitmap font (stb_easy_font), each font
// pixel a scale x scale square, top-left corner at (x, y), clipped to image.
void DrawImageText(RgbImage* image, int x, int y, int scale, const char* text,
    uint8_t r, uint8_t g, uint8_t b);

// Width in pixels of text drawn at the given scale.
int MeasureImageText(const char* text, int scale);

// The contact sheet: a grid of thumbnails, each labelled below with a time.
struct ContactSheet {
    RgbImage image;
    int factor = 4;        // frame pixels per thumbnail pixel, each way
    int columns = 6;
    int cellWidth = 0;     // thumbnail plus margin
    int cellHeight = 0;    // thumbnail, label and margin
};

// Lays out a sheet for count thumbnails of frames of the given size.
void StartContactSheet(ContactSheet* sheet, int frameWidth, int frameHeight, int count);

// Places the thumbnail of frame in cell index and labels it with demoTime.
void AddSheetThumbnail(ContactSheet* sheet, int index, const RgbImage& frame, float demoTime);

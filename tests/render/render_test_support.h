// What the pixel tests share: a headless context of the window's size, the
// test content in a temporary working directory, and reading pixels back.
#pragma once

#include "platform/gl_api.h"
#include "platform/headless_gl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// One pixel as read back.
struct Rgba {
    uint8_t r, g, b, a;
};

// The colour buffer read back once, addressed from the top-left corner.
class ReadBack {
public:
    ReadBack()
        : width_(GetHeadlessWidth()), height_(GetHeadlessHeight()),
          pixels_(static_cast<size_t>(width_) * height_ * 4)
    {
        ReadHeadlessPixels(pixels_.data());
    }
    // The pixel in column x of row y, row 0 being the top row.
    Rgba At(int x, int y) const
    {
        const uint8_t* p = &pixels_[(static_cast<size_t>(height_ - 1 - y) * width_ + x) * 4];
        return { p[0], p[1], p[2], p[3] };
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

// True when the colour is c (0xRRGGBB) within tolerance per channel.
inline bool IsColour(Rgba p, uint32_t c, int tolerance = 2)
{
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance
        && std::abs(p.b - b) <= tolerance;
}

inline ::testing::AssertionResult PixelIs(const ReadBack& image, int x, int y, uint32_t c)
{
    const Rgba p = image.At(x, y);
    if (IsColour(p, c))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << int(p.r)
        << ", " << int(p.g) << ", " << int(p.b) << "; expected " << std::hex << c;
}

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t RED = 0xFF0000;
constexpr uint32_t BLUE = 0x0000FF;
constexpr uint32_t GREEN = 0x00FF00;

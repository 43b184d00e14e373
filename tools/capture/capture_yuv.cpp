// BGRA to I420 for the video (see capture_yuv.h). Integer arithmetic with
// 8-bit fractions, the classic BT.601 studio-swing matrix.
#include "tools/capture/capture_yuv.h"

#include <cassert>

size_t GetI420FrameBytes(int width, int height)
{
    return static_cast<size_t>(width) * height * 3 / 2;
}

// Each channel's share of the luma, in 1/256ths with the rounding and the
// black level folded into the red table: three lookups and two additions a
// pixel instead of three multiplications.
struct LumaTables {
    int32_t red[256], green[256], blue[256];
    LumaTables()
    {
        for (int c = 0; c < 256; ++c) {
            red[c] = 66 * c + 128 + (16 << 8);
            green[c] = 129 * c;
            blue[c] = 25 * c;
        }
    }
};

static const LumaTables LUMA;

// Luma of one BGRA pixel, 16 (black) to 235 (white).
static inline uint8_t MakeLuma(const uint8_t* p)
{
    return static_cast<uint8_t>((LUMA.blue[p[0]] + LUMA.green[p[1]] + LUMA.red[p[2]]) >> 8);
}

void ConvertBgraToI420(const uint8_t* bgra, int width, int height, uint8_t* i420)
{
    assert(width % 2 == 0 && height % 2 == 0);
    uint8_t* yPlane = i420;
    uint8_t* uPlane = yPlane + static_cast<size_t>(width) * height;
    uint8_t* vPlane = uPlane + static_cast<size_t>(width / 2) * (height / 2);
    const size_t stride = static_cast<size_t>(width) * 4;
    // Output rows 2k and 2k + 1 come from input rows h-1-2k and h-2-2k.
    for (int row = 0; row < height; row += 2) {
        const uint8_t* upper = bgra + static_cast<size_t>(height - 1 - row) * stride;
        const uint8_t* lower = upper - stride;
        uint8_t* y0 = yPlane + static_cast<size_t>(row) * width;
        uint8_t* y1 = y0 + width;
        uint8_t* u = uPlane + static_cast<size_t>(row / 2) * (width / 2);
        uint8_t* v = vPlane + static_cast<size_t>(row / 2) * (width / 2);
        for (int x = 0; x < width; x += 2) {
            const uint8_t* a = upper + 4 * x;
            const uint8_t* b = lower + 4 * x;
            y0[x] = MakeLuma(a);
            y0[x + 1] = MakeLuma(a + 4);
            y1[x] = MakeLuma(b);
            y1[x + 1] = MakeLuma(b + 4);
            // Sums of four pixels: the means' matrix products, times four.
            const int bl = a[0] + a[4] + b[0] + b[4];
            const int g = a[1] + a[5] + b[1] + b[5];
            const int r = a[2] + a[6] + b[2] + b[6];
            u[x / 2] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * bl + 512) >> 10) + 128);
            v[x / 2] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * bl + 512) >> 10) + 128);
        }
    }
}

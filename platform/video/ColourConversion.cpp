#include "platform/video/ColourConversion.h"

#include <cstddef>

namespace platform::video {

namespace {

// BT.709 (Kr 0.2126, Kb 0.0722) scaled to 219 levels of luma and 224 of chroma, in units of
// 1/65536.
constexpr int kYr = 11966;
constexpr int kYg = 40254;
constexpr int kYb = 4064;
constexpr int kUr = -6596;
constexpr int kUg = -22189;
constexpr int kUb = 28785;
constexpr int kVr = 28785;
constexpr int kVg = -26145;
constexpr int kVb = -2640;

inline uint8_t luma(const uint8_t* p) {
    return static_cast<uint8_t>((kYr * p[2] + kYg * p[1] + kYb * p[0] + (16 << 16) + (1 << 15)) >>
                                16);
}

} // namespace

// Two rows at a time; the loops are simple enough for the compiler to vectorize, once for
// AVX2 and once for any x86-64, picked when the program starts.
__attribute__((target_clones("avx2", "default"))) void
bgrxToYuv420(const uint8_t* pixels, int stride, int width, int height, const YuvPlanes& out) {
    const auto w = static_cast<std::size_t>(width);
    for (int row = 0; row + 1 < height; row += 2) {
        const uint8_t* top = pixels + static_cast<std::ptrdiff_t>(row) * stride;
        const uint8_t* bottom = top + stride;
        uint8_t* y0 = out.y + static_cast<std::ptrdiff_t>(row) * out.yStride;
        uint8_t* y1 = y0 + out.yStride;
        uint8_t* u = out.u + static_cast<std::ptrdiff_t>(row / 2) * out.uStride;
        uint8_t* v = out.v + static_cast<std::ptrdiff_t>(row / 2) * out.vStride;
        for (std::size_t x = 0; x < w; ++x) {
            y0[x] = luma(top + 4 * x);
            y1[x] = luma(bottom + 4 * x);
        }
        for (std::size_t x = 0; x < w / 2; ++x) {
            const uint8_t* a = top + 8 * x;
            const uint8_t* b = bottom + 8 * x;
            const int sb = a[0] + a[4] + b[0] + b[4];
            const int sg = a[1] + a[5] + b[1] + b[5];
            const int sr = a[2] + a[6] + b[2] + b[6];
            u[x] = static_cast<uint8_t>(
                (kUr * sr + kUg * sg + kUb * sb + (128 << 18) + (1 << 17)) >> 18);
            v[x] = static_cast<uint8_t>(
                (kVr * sr + kVg * sg + kVb * sb + (128 << 18) + (1 << 17)) >> 18);
        }
    }
}

} // namespace platform::video

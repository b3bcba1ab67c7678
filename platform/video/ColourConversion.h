#pragma once

#include <cstdint>

namespace platform::video {

// The planes of a yuv420p picture: full-size luma, half-size (both ways) chroma.
struct YuvPlanes {
    uint8_t* y;
    int yStride;
    uint8_t* u;
    int uStride;
    uint8_t* v;
    int vStride;
};

// 32-bit B,G,R,X pixels (width x height, both even) to BT.709 limited-range yuv420p; each
// chroma sample is the rounded mean of its 2 x 2 pixels. Integer arithmetic, so every machine
// gives the same bytes.
void bgrxToYuv420(const uint8_t* pixels, int stride, int width, int height, const YuvPlanes& out);

} // namespace platform::video

#pragma once

#include <cmath>
#include <cstdint>

namespace platform {

// Rounds to nearest with halves to even, the rule of every whole-number conversion here.
// Callers keep the value within 16 bits.
inline int16_t CInt(double v) {
    return static_cast<int16_t>(std::nearbyint(v));
}

// Rounds down.
inline double Int(double v) {
    return std::floor(v);
}

// An RGB value as r + 256 g + 65536 b, and its parts.
inline int32_t RGB(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}
inline int redOf(int32_t c) {
    return c & 0xFF;
}
inline int greenOf(int32_t c) {
    return (c >> 8) & 0xFF;
}
inline int blueOf(int32_t c) {
    return (c >> 16) & 0xFF;
}

} // namespace platform

#pragma once

#include <QRect>

namespace platform {

// Design sizes are in twips; 15 make a logical pixel.
constexpr int px(int twips) {
    return (twips + 7) / 15;
}
inline QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace platform

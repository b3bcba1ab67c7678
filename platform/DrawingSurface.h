#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// A persistent picture with the drawing attributes that persist between calls.
// Coordinates and radii are floats in pixels; colours are r + 256 g + 65536 b.
// Anything outside the picture is clipped, however far out (NaN and infinity included).
class DrawingSurface {
public:
    enum LineStyle : int16_t { Solid = 0, Dot = 2 };
    enum FillStyle : int16_t { FillSolid = 0, FillTransparent = 1 };

    explicit DrawingSurface(QSize size = QSize(1, 1));

    // Keeps what was drawn in the part that remains; new area is background.
    void resize(QSize size);
    float ScaleWidth() const { return static_cast<float>(width_); }
    float ScaleHeight() const { return static_cast<float>(height_); }

    int16_t DrawWidth() const { return drawWidth_; }
    void setDrawWidth(int16_t w) { drawWidth_ = w < 1 ? int16_t(1) : w; }
    int16_t DrawStyle() const { return drawStyle_; }
    void setDrawStyle(int16_t s) { drawStyle_ = s; }
    int32_t ForeColor() const { return foreColor_; }
    void setForeColor(int32_t c) { foreColor_ = c; }
    int32_t FillColor() const { return fillColor_; }
    void setFillColor(int32_t c) { fillColor_ = c; }
    int16_t FillStyle() const { return fillStyle_; }
    void setFillStyle(int16_t s) { fillStyle_ = s; }
    float CurrentX() const { return currentX_; }
    float CurrentY() const { return currentY_; }
    void setCurrentX(float x) { currentX_ = x; }
    void setCurrentY(float y) { currentY_ = y; }

    // A round dot as large as the pen width; moves the pen there.
    void PSet(float x, float y, int32_t colour);
    // A line in the given colour, or in the fore colour; moves the pen to its end.
    void Line(float x1, float y1, float x2, float y2, int32_t colour);
    void Line(float x1, float y1, float x2, float y2) { Line(x1, y1, x2, y2, foreColor_); }
    // A line from the pen position, which moves to (x2, y2).
    void LineTo(float x2, float y2, int32_t colour);
    // Outlined in the colour (or the fore colour), filled while the fill style is solid.
    void Circle(float x, float y, float radius, int32_t colour);
    void Circle(float x, float y, float radius) { Circle(x, y, radius, foreColor_); }
    // Clears to the background colour (black).
    void Cls();

    const QImage& image() const { return image_; }
    int32_t pixel(int x, int y) const; // as r + 256 g + 65536 b

    // The part changed since the last call; empty when nothing was drawn.
    QRect takeDirty();
    // Called once each time the surface goes from unchanged to changed.
    void setChangeNotifier(std::function<void()> notify) { notify_ = std::move(notify); }

private:
    void markDirty(const QRect& r);
    // The same for a box already within the picture: left, top, right, bottom inclusive.
    void markDirtyInside(int left, int top, int right, int bottom);
    const std::vector<QPoint>& dotStamp(int width);

    QImage image_;
    // The picture's size, kept beside it: every point asks for it.
    int width_ = 1;
    int height_ = 1;
    std::ptrdiff_t stride_ = 1; // in pixels
    // The pen width whose dot is known to be in stamps_.
    int stampWidth_ = 0;
    int16_t drawWidth_ = 1;
    int16_t drawStyle_ = Solid;
    int32_t foreColor_ = 0xFFFFFF;
    int32_t fillColor_ = 0;
    int16_t fillStyle_ = FillTransparent;
    float currentX_ = 0.0f;
    float currentY_ = 0.0f;
    QRect dirty_;
    std::function<void()> notify_;
    std::vector<std::vector<QPoint>> stamps_;
};

} // namespace platform

#include "platform/DrawingSurface.h"

#include "platform/Rounding.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

QRgb toRgb(int32_t c) {
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}

// A pen of the colour and width; the dotted style only shows at width 1.
QPen stylePen(int32_t colour, int width, int16_t style) {
    QPen pen(QColor::fromRgb(toRgb(colour)));
    pen.setWidth(width);
    if (width == 1 && style == DrawingSurface::Dot) {
        pen.setDashPattern({1.0, 2.0});
    }
    return pen;
}

// Clips the segment to the rectangle [lo, hi] in double precision (Liang-Barsky).
// False when nothing of it lies inside, or a coordinate is not finite.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, double lo_x, double lo_y,
                 double hi_x, double hi_y) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
        return false;
    }
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - lo_x, hi_x - x1, y1 - lo_y, hi_y - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const double nx1 = x1 + t0 * dx;
    const double ny1 = y1 + t0 * dy;
    const double nx2 = x1 + t1 * dx;
    const double ny2 = y1 + t1 * dy;
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
    return true;
}

} // namespace

DrawingSurface::DrawingSurface(QSize size)
    : image_(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32), width_(image_.width()),
      height_(image_.height()), stride_(image_.bytesPerLine() / 4) {
    image_.fill(Qt::black);
}

void DrawingSurface::resize(QSize size) {
    size = size.expandedTo(QSize(1, 1));
    if (size == image_.size()) {
        return;
    }
    QImage next(size, QImage::Format_RGB32);
    next.fill(Qt::black);
    const int rows = std::min(size.height(), image_.height());
    const int bytes = std::min(size.width(), image_.width()) * 4;
    for (int y = 0; y < rows; ++y) {
        std::copy_n(image_.constScanLine(y), bytes, next.scanLine(y));
    }
    image_ = std::move(next);
    width_ = image_.width();
    height_ = image_.height();
    stride_ = image_.bytesPerLine() / 4;
    // All of it shows anew; a surface already waiting to be shown is not announced twice.
    const bool wasClean = dirty_.isEmpty();
    dirty_ = image_.rect();
    if (wasClean && notify_) {
        notify_();
    }
}

int32_t DrawingSurface::pixel(int x, int y) const {
    if (!image_.rect().contains(x, y)) {
        return 0;
    }
    const QRgb p = image_.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

const std::vector<QPoint>& DrawingSurface::dotStamp(int width) {
    // Row spans of a disc of diameter width in a width x width box: (first x, last x) per row.
    if (static_cast<std::size_t>(width) >= stamps_.size()) {
        stamps_.resize(static_cast<std::size_t>(width) + 1);
    }
    auto& stamp = stamps_[static_cast<std::size_t>(width)];
    if (stamp.empty()) {
        const double r = width / 2.0;
        for (int j = 0; j < width; ++j) {
            int first = width;
            int last = -1;
            for (int i = 0; i < width; ++i) {
                const double dx = i + 0.5 - r;
                const double dy = j + 0.5 - r;
                if (dx * dx + dy * dy <= r * r) {
                    first = std::min(first, i);
                    last = std::max(last, i);
                }
            }
            stamp.emplace_back(first, last);
        }
    }
    return stamp;
}

void DrawingSurface::PSet(float x, float y, int32_t colour) {
    currentX_ = x;
    currentY_ = y;
    const int w = drawWidth_;
    // The dot's box starts at floor(d). It touches the picture when d lies in
    // [1 - w, size): tested before any conversion, so far-out and non-finite points
    // are dropped.
    const double dx = double(x) - w / 2.0 + 0.5;
    const double dy = double(y) - w / 2.0 + 0.5;
    if (!(dx >= 1 - w && dx < width_ && dy >= 1 - w && dy < height_)) {
        return;
    }
    auto floorOf = [](double d) {
        const int t = static_cast<int>(d);
        return t > d ? t - 1 : t;
    };
    const int left = floorOf(dx);
    const int top = floorOf(dy);
    const int iw = width_;
    if (stampWidth_ != w) {
        dotStamp(w);
        stampWidth_ = w;
    }
    const QPoint* stamp = stamps_[static_cast<std::size_t>(w)].data();
    const int firstRow = std::max(0, -top);
    const int endRow = std::min(w, height_ - top);
    const std::ptrdiff_t stride = stride_;
    const QRgb rgb = toRgb(colour);
    QRgb* row = reinterpret_cast<QRgb*>(image_.bits()) + (top + firstRow) * stride;
    if (left >= 0 && left + w <= iw) {
        for (int j = firstRow; j < endRow; ++j, row += stride) {
            const QPoint span = stamp[j];
            std::fill(row + left + span.x(), row + left + span.y() + 1, rgb);
        }
    } else {
        for (int j = firstRow; j < endRow; ++j, row += stride) {
            const QPoint span = stamp[j];
            const int x0 = std::max(left + span.x(), 0);
            const int x1 = std::min(left + span.y(), iw - 1);
            for (int px = x0; px <= x1; ++px) {
                row[px] = rgb;
            }
        }
    }
    markDirtyInside(std::max(left, 0), top + firstRow, std::min(left + w - 1, iw - 1),
                    top + endRow - 1);
}

void DrawingSurface::Line(float x1, float y1, float x2, float y2, int32_t colour) {
    currentX_ = x2;
    currentY_ = y2;
    const int w = drawWidth_;
    double ax = x1, ay = y1, bx = x2, by = y2;
    const double margin = w + 2.0;
    if (!clipSegment(ax, ay, bx, by, -margin, -margin, image_.width() + margin,
                     image_.height() + margin)) {
        return;
    }
    QPainter p(&image_);
    QPen pen = stylePen(colour, w, drawStyle_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.drawLine(QPointF(ax, ay), QPointF(bx, by));
    const QRectF box = QRectF(QPointF(ax, ay), QPointF(bx, by)).normalized();
    markDirty(box.toAlignedRect().adjusted(-w - 1, -w - 1, w + 1, w + 1));
}

void DrawingSurface::LineTo(float x2, float y2, int32_t colour) {
    Line(currentX_, currentY_, x2, y2, colour);
}

void DrawingSurface::Circle(float x, float y, float radius, int32_t colour) {
    currentX_ = x;
    currentY_ = y;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius) || radius < 0.0f) {
        return;
    }
    const double w = drawWidth_;
    const double cx = x;
    const double cy = y;
    const double r = radius;
    const double iw = image_.width();
    const double ih = image_.height();
    // Entirely beside the surface.
    if (cx + r + w < 0.0 || cx - r - w > iw || cy + r + w < 0.0 || cy - r - w > ih) {
        return;
    }
    const bool filled = fillStyle_ == FillSolid;
    // The outline lies wholly outside a surface it encloses.
    const double farX = std::max(std::abs(cx), std::abs(cx - iw));
    const double farY = std::max(std::abs(cy), std::abs(cy - ih));
    const bool encloses = std::hypot(farX, farY) < r - w;
    if (encloses) {
        if (filled) {
            image_.fill(toRgb(fillColor_));
            markDirty(image_.rect());
        }
        return;
    }
    QPainter p(&image_);
    p.setPen(stylePen(colour, drawWidth_, drawStyle_));
    if (filled) {
        p.setBrush(QColor::fromRgb(toRgb(fillColor_)));
    }
    p.drawEllipse(QPointF(cx, cy), r, r);
    const QRectF box(cx - r - w, cy - r - w, 2 * (r + w), 2 * (r + w));
    markDirty(box.intersected(QRectF(image_.rect())).toAlignedRect());
}

void DrawingSurface::Cls() {
    image_.fill(Qt::black);
    markDirty(image_.rect());
}

void DrawingSurface::markDirty(const QRect& r) {
    const QRect clipped = r.intersected(image_.rect());
    if (clipped.isEmpty()) {
        return;
    }
    markDirtyInside(clipped.left(), clipped.top(), clipped.right(), clipped.bottom());
}

void DrawingSurface::markDirtyInside(int left, int top, int right, int bottom) {
    if (dirty_.isEmpty()) {
        dirty_.setCoords(left, top, right, bottom);
        if (notify_) {
            notify_();
        }
        return;
    }
    dirty_.setCoords(std::min(dirty_.left(), left), std::min(dirty_.top(), top),
                     std::max(dirty_.right(), right), std::max(dirty_.bottom(), bottom));
}

QRect DrawingSurface::takeDirty() {
    QRect r = dirty_;
    dirty_ = QRect();
    return r;
}

} // namespace platform

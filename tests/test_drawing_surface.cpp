#include "platform/DrawingSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <limits>
#include <random>

using platform::DrawingSurface;

namespace {

constexpr int32_t White = 0xFFFFFF;
constexpr int32_t Green = 0x00FF00;
constexpr int32_t Blue = 0xFF0000;

long litPixels(const DrawingSurface& s) {
    const auto* p = reinterpret_cast<const QRgb*>(s.image().constBits());
    return std::count_if(p, p + s.image().width() * s.image().height(),
                         [](QRgb c) { return (c & 0xFFFFFF) != 0; });
}

} // namespace

TEST(DrawingSurface, FarOutAndNonFiniteShapesDrawNothing) {
    // Tangent curves and runaway steps hand the surface such values; none may reach an
    // integer conversion or wrap round into view.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int16_t width : {1, 5}) {
        DrawingSurface s(QSize(64, 48));
        int notified = 0;
        s.setChangeNotifier([&] { ++notified; });
        s.setDrawWidth(width);
        for (auto [x, y] : {std::pair{1e10f, 10.0f},
                            {10, -3e9f},
                            {10, 5e12f},
                            {FLT_MAX, -FLT_MAX},
                            {-10, 10},
                            {nan, 10},
                            {10, nan},
                            {10, -inf}}) {
            s.PSet(x, y, White);
            s.Circle(x, y, 5, White);
        }
        s.Line(-1e12f, -100, 1e12f, -100, White);
        s.Line(1e10f, -1e10f, 2e10f, 3e9f, White);
        s.Line(nan, 0, 10, 10, White);
        s.Line(10, 10, inf, 10, White);
        s.setCurrentX(nan);
        s.LineTo(10, 10, White);
        s.Circle(-1e9f, 20, 1e8f, White);
        for (float radius : {nan, inf, -5.0f, 1e6f, FLT_MAX}) {
            s.Circle(32, 24, radius, White); // unfilled, or beyond the surface all round
        }
        EXPECT_EQ(litPixels(s), 0) << width;
        EXPECT_EQ(notified, 0) << width;
        EXPECT_TRUE(s.takeDirty().isEmpty());
    }
}

TEST(DrawingSurface, ShapesReachingInFromFarAwayShowTheirVisiblePart) {
    DrawingSurface s(QSize(64, 48));
    s.Line(-1e12f, 10, 1e12f, 10, White);
    s.Line(20, -3e9f, 20, 3e9f, Green);
    s.Line(-1e9f, -1e9f, 1e9f, 1e9f, Blue);
    EXPECT_EQ(litPixels(s), 64 + 48 + 48 - 3);
    EXPECT_EQ(s.pixel(0, 10), White);
    EXPECT_EQ(s.pixel(20, 47), Green);
    EXPECT_EQ(s.pixel(47, 47), Blue);
    // Centre 2^29 away, left edge of the circle at x = 32: a near-vertical stripe.
    s.Cls();
    s.setDrawWidth(3);
    s.Circle(536870912.0f, 24, 536870880.0f, White);
    EXPECT_EQ(litPixels(s), 3 * 48);
    EXPECT_EQ(s.pixel(31, 0) & s.pixel(33, 47), White);
}

TEST(DrawingSurface, EveryDrawingMovesThePen) {
    DrawingSurface s(QSize(64, 48));
    s.PSet(1e10f, -5, White);
    EXPECT_EQ(QPointF(s.CurrentX(), s.CurrentY()), QPointF(1e10f, -5));
    s.Line(1, 2, -300, 4e9f);
    EXPECT_EQ(QPointF(s.CurrentX(), s.CurrentY()), QPointF(-300, 4e9f));
    s.LineTo(5, 6, White);
    EXPECT_EQ(QPointF(s.CurrentX(), s.CurrentY()), QPointF(5, 6));
    s.Circle(-70, 9, 5);
    EXPECT_EQ(QPointF(s.CurrentX(), s.CurrentY()), QPointF(-70, 9));
}

TEST(DrawingSurface, DottedStyleShowsOnlyAtPenWidthOne) {
    for (bool circle : {false, true}) {
        for (int16_t width : {1, 2, 3, 5}) {
            DrawingSurface solid(QSize(64, 48));
            DrawingSurface dotted(QSize(64, 48));
            dotted.setDrawStyle(DrawingSurface::Dot);
            for (DrawingSurface* s : {&solid, &dotted}) {
                s->setDrawWidth(width);
                circle ? s->Circle(32, 24, 15, White) : s->Line(5, 10, 45, 10, White);
            }
            const bool gaps = litPixels(dotted) > 0 && litPixels(dotted) < litPixels(solid) * 2 / 3;
            EXPECT_EQ(gaps, width == 1) << circle << " " << width;
            EXPECT_EQ(dotted.image() == solid.image(), width > 1) << circle << " " << width;
        }
    }
}

TEST(DrawingSurface, ResizeKeepsWhatWasDrawnAndAnnouncesItOnce) {
    DrawingSurface s(QSize(64, 48));
    int notified = 0;
    s.setChangeNotifier([&] { ++notified; });
    s.PSet(10, 10, White);
    s.PSet(60, 40, Green);
    // Still waiting to be shown: growing the surface announces nothing new.
    s.resize(QSize(100, 80));
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(s.takeDirty(), QRect(0, 0, 100, 80));
    EXPECT_EQ(s.pixel(60, 40), Green);
    s.resize(QSize(30, 30));
    s.resize(QSize(30, 30));
    s.resize(QSize(64, 48));
    EXPECT_EQ(notified, 2);
    EXPECT_EQ(s.pixel(10, 10), White);
    EXPECT_EQ(litPixels(s), 1);
    s.resize(QSize(0, -5));
    EXPECT_EQ(QSizeF(s.ScaleWidth(), s.ScaleHeight()), QSizeF(1, 1));
}

TEST(DrawingSurface, TheMarkedPartCoversEveryChangedPixel) {
    // The window repaints only the marked part.
    DrawingSurface s(QSize(40, 30));
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> where(-8.0f, 48.0f);
    for (int i = 0; i < 400; ++i) {
        s.setDrawWidth(static_cast<int16_t>(1 + i % 8));
        s.setDrawStyle(i % 3 == 0 ? DrawingSurface::Dot : DrawingSurface::Solid);
        s.setFillStyle(i % 7 == 0 ? DrawingSurface::FillSolid : DrawingSurface::FillTransparent);
        s.setFillColor(i * 40503 & 0xFFFFFF);
        const int32_t colour = (i * 7919 & 0xFFFFFF) | 1;
        const QImage before = s.image().copy();
        (void)s.takeDirty();
        const float x = where(gen);
        const float y = where(gen);
        i % 4 == 0   ? s.PSet(x, y, colour)
        : i % 4 == 1 ? s.Line(x, y, where(gen), where(gen), colour)
        : i % 4 == 2 ? s.LineTo(x, y, colour)
                     : s.Circle(x, y, where(gen) / 2, colour);
        const QRect marked = s.takeDirty();
        ASSERT_TRUE(marked.isEmpty() || s.image().rect().contains(marked)) << i;
        for (int py = 0; py < 30; ++py) {
            for (int px = 0; px < 40; ++px) {
                ASSERT_TRUE(s.image().pixel(px, py) == before.pixel(px, py) ||
                            marked.contains(px, py))
                    << "drawing " << i << " at " << px << ", " << py;
            }
        }
    }
}

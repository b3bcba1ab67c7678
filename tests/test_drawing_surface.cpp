#include "platform/DrawingSurface.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

using platform::DrawingSurface;

namespace {

constexpr int32_t White = 0xFFFFFF;
constexpr int32_t Green = 0x00FF00;
constexpr int32_t Blue = 0xFF0000;
const float Inf = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

int litPixels(const DrawingSurface& s) {
    int n = 0;
    for (int y = 0; y < s.image().height(); ++y) {
        for (int x = 0; x < s.image().width(); ++x) {
            n += s.pixel(x, y) != 0 ? 1 : 0;
        }
    }
    return n;
}

QRect litBounds(const DrawingSurface& s) {
    QRect r;
    for (int y = 0; y < s.image().height(); ++y) {
        for (int x = 0; x < s.image().width(); ++x) {
            if (s.pixel(x, y) != 0) {
                r = r.united(QRect(x, y, 1, 1));
            }
        }
    }
    return r;
}

struct Drawing {
    std::string name;
    std::function<void(DrawingSurface&)> draw;
};

} // namespace

TEST(DrawingSurface, FarOutAndNonFiniteShapesDrawNothing) {
    // Tangent curves and runaway steps hand the surface such values; none may reach an
    // integer conversion or wrap round into view.
    const std::vector<Drawing> cases = {
        {"point far right", [](auto& s) { s.PSet(1e10f, 10, White); }},
        {"point far above", [](auto& s) { s.PSet(10, -3e9f, White); }},
        {"point beyond int range below", [](auto& s) { s.PSet(10, 5e12f, White); }},
        {"point at the float limits", [](auto& s) { s.PSet(FLT_MAX, -FLT_MAX, White); }},
        {"point just beyond the left edge", [](auto& s) { s.PSet(-10, 10, White); }},
        {"point with NaN x", [](auto& s) { s.PSet(NaN, 10, White); }},
        {"point with NaN y", [](auto& s) { s.PSet(10, NaN, White); }},
        {"point at infinity", [](auto& s) { s.PSet(10, -Inf, White); }},
        {"line wholly above", [](auto& s) { s.Line(-1e12f, -100, 1e12f, -100, White); }},
        {"line between far points", [](auto& s) { s.Line(1e10f, -1e10f, 2e10f, 3e9f, White); }},
        {"line from NaN", [](auto& s) { s.Line(NaN, 0, 10, 10, White); }},
        {"line to infinity", [](auto& s) { s.Line(10, 10, Inf, 10, White); }},
        {"line from the pen at NaN",
         [](auto& s) {
             s.setCurrentX(NaN);
             s.LineTo(10, 10, White);
         }},
        {"circle far away", [](auto& s) { s.Circle(1e10f, 1e10f, 100, White); }},
        {"circle beside the surface", [](auto& s) { s.Circle(-1e9f, 20, 1e8f, White); }},
        {"circle with NaN centre", [](auto& s) { s.Circle(NaN, 10, 5, White); }},
        {"circle with NaN radius", [](auto& s) { s.Circle(10, 10, NaN, White); }},
        {"circle with infinite radius", [](auto& s) { s.Circle(10, 10, Inf, White); }},
        {"circle at infinity", [](auto& s) { s.Circle(Inf, 0, 5, White); }},
        {"circle with negative radius", [](auto& s) { s.Circle(10, 10, -5, White); }},
        {"unfilled circle round the surface", [](auto& s) { s.Circle(32, 24, 1e6f, White); }},
        {"unfilled circle of the largest radius",
         [](auto& s) { s.Circle(32, 24, FLT_MAX, White); }},
    };
    for (int16_t width : {1, 5}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name + ", width " + std::to_string(width));
            DrawingSurface s(QSize(64, 48));
            int notified = 0;
            s.setChangeNotifier([&] { ++notified; });
            s.setDrawWidth(width);
            c.draw(s);
            EXPECT_EQ(litPixels(s), 0);
            EXPECT_TRUE(s.takeDirty().isEmpty());
            EXPECT_EQ(notified, 0);
        }
    }
}

TEST(DrawingSurface, ShapesReachingInFromFarAwayShowTheirVisiblePart) {
    DrawingSurface s(QSize(64, 48));
    s.Line(-1e12f, 10, 1e12f, 10, White);
    s.Line(20, -3e9f, 20, 3e9f, Green);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(s.pixel(x, 10), x == 20 ? Green : White) << x;
    }
    for (int y = 0; y < 48; ++y) {
        EXPECT_EQ(s.pixel(20, y), Green) << y;
    }
    EXPECT_EQ(litPixels(s), 64 + 48 - 1);

    s.Cls();
    s.Line(-1e9f, -1e9f, 1e9f, 1e9f, White);
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(s.pixel(i, i), White) << i;
    }
    EXPECT_EQ(litPixels(s), 48);

    // Centre 2^29 away, left edge of the circle at x = 32: a near-vertical stripe.
    s.Cls();
    s.setDrawWidth(3);
    s.Circle(536870912.0f, 24, 536870880.0f, White);
    EXPECT_EQ(litBounds(s), QRect(31, 0, 3, 48));
}

TEST(DrawingSurface, DotsAreClippedAtEdgesAndCorners) {
    struct Case {
        float x, y;
        int lit;
        QRect bounds;
    };
    // A 5-pixel dot is a 5 x 5 square without its corners (21 pixels).
    const Case cases[] = {
        {0, 0, 8, QRect(0, 0, 3, 3)},      {63, 47, 8, QRect(61, 45, 3, 3)},
        {0, 24, 13, QRect(0, 22, 3, 5)},   {32, 47, 13, QRect(30, 45, 5, 3)},
        {-2, 24, 3, QRect(0, 23, 1, 3)},   {65, 24, 3, QRect(63, 23, 1, 3)},
        {32, 24, 21, QRect(30, 22, 5, 5)}, {-3, 24, 0, QRect()},
        {66.9f, 24, 0, QRect()},           {32, -3, 0, QRect()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
        DrawingSurface s(QSize(64, 48));
        s.setDrawWidth(5);
        s.PSet(c.x, c.y, White);
        EXPECT_EQ(litPixels(s), c.lit);
        EXPECT_EQ(litBounds(s), c.bounds);
    }
}

TEST(DrawingSurface, DotsAreRoundAndAsLargeAsThePenWidth) {
    struct Case {
        int16_t width;
        int lit;
    };
    for (const Case c : {Case{1, 1}, Case{2, 4}, Case{3, 9}, Case{5, 21}, Case{6, 32}}) {
        SCOPED_TRACE(c.width);
        DrawingSurface s(QSize(64, 48));
        s.setDrawWidth(c.width);
        s.PSet(20, 20, Green);
        EXPECT_EQ(litPixels(s), c.lit);
        const QRect box = litBounds(s);
        EXPECT_EQ(box.size(), QSize(c.width, c.width));
        EXPECT_TRUE(box.contains(20, 20));
        EXPECT_EQ(s.pixel(20, 20), Green);
        EXPECT_EQ(s.CurrentX(), 20.0f);
        EXPECT_EQ(s.CurrentY(), 20.0f);
    }
}

TEST(DrawingSurface, DottedStyleShowsOnlyAtPenWidthOne) {
    struct Case {
        std::string shape;
        int16_t width;
        bool gaps;
    };
    const Case cases[] = {{"line", 1, true},   {"line", 2, false},  {"line", 3, false},
                          {"line", 5, false},  {"circle", 1, true}, {"circle", 2, false},
                          {"circle", 3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape + " width " + std::to_string(c.width));
        DrawingSurface solid(QSize(64, 48));
        DrawingSurface dotted(QSize(64, 48));
        dotted.setDrawStyle(DrawingSurface::Dot);
        for (DrawingSurface* s : {&solid, &dotted}) {
            s->setDrawWidth(c.width);
            if (c.shape == "line") {
                s->Line(5, 10, 45, 10, White);
            } else {
                s->Circle(32, 24, 15, White);
            }
        }
        ASSERT_GT(litPixels(solid), 0);
        if (c.gaps) {
            EXPECT_GT(litPixels(dotted), 0);
            EXPECT_LT(litPixels(dotted), litPixels(solid) * 2 / 3);
        } else {
            EXPECT_EQ(dotted.image(), solid.image());
        }
    }
}

TEST(DrawingSurface, CirclesAreFilledOnlyWhileTheFillStyleIsSolid) {
    struct Case {
        int16_t fillStyle;
        int32_t centre;
    };
    for (const Case c :
         {Case{DrawingSurface::FillSolid, Blue}, Case{DrawingSurface::FillTransparent, White}}) {
        SCOPED_TRACE(c.fillStyle);
        DrawingSurface s(QSize(64, 48));
        s.setDrawWidth(6);
        s.PSet(32, 24, White);
        s.setFillStyle(c.fillStyle);
        s.setFillColor(Blue);
        s.setDrawWidth(3);
        s.Circle(32, 24, 10, Green);
        EXPECT_EQ(s.pixel(32, 24), c.centre);
        EXPECT_EQ(s.pixel(42, 24), Green);
        EXPECT_EQ(s.pixel(32, 14), Green);
        EXPECT_EQ(s.pixel(32, 19), c.fillStyle == DrawingSurface::FillSolid ? Blue : 0);
        EXPECT_EQ(s.pixel(32, 40), 0);
        EXPECT_EQ(s.CurrentX(), 32.0f);
    }

    // A filled circle enclosing the whole surface floods it with the fill colour.
    DrawingSurface s(QSize(64, 48));
    s.setFillStyle(DrawingSurface::FillSolid);
    s.setFillColor(Blue);
    s.Circle(32, 24, 1e15f, White);
    EXPECT_EQ(s.pixel(0, 0), Blue);
    EXPECT_EQ(s.pixel(63, 47), Blue);
}

TEST(DrawingSurface, ResizeKeepsWhatWasDrawnInTheRemainingPart) {
    DrawingSurface s(QSize(64, 48));
    s.PSet(10, 10, White);
    s.PSet(60, 40, Green);
    s.setDrawWidth(5);
    s.setFillStyle(DrawingSurface::FillSolid);

    s.resize(QSize(100, 80));
    EXPECT_EQ(s.ScaleWidth(), 100.0f);
    EXPECT_EQ(s.ScaleHeight(), 80.0f);
    EXPECT_EQ(s.pixel(10, 10), White);
    EXPECT_EQ(s.pixel(60, 40), Green);
    EXPECT_EQ(litPixels(s), 2);
    EXPECT_EQ(s.DrawWidth(), 5);
    EXPECT_EQ(s.FillStyle(), DrawingSurface::FillSolid);

    s.resize(QSize(30, 30));
    EXPECT_EQ(s.pixel(10, 10), White);
    EXPECT_EQ(litPixels(s), 1);

    s.resize(QSize(64, 48));
    EXPECT_EQ(s.pixel(10, 10), White);
    EXPECT_EQ(s.pixel(60, 40), 0);

    s.resize(QSize(0, -5));
    EXPECT_EQ(s.ScaleWidth(), 1.0f);
    EXPECT_EQ(s.ScaleHeight(), 1.0f);
}

TEST(DrawingSurface, DirtyAreaCoversEveryChange) {
    const std::vector<Drawing> cases = {
        {"dot", [](auto& s) { s.PSet(20.4f, 30.6f, White); }},
        {"wide dot at an edge",
         [](auto& s) {
             s.setDrawWidth(6);
             s.PSet(63, 0, White);
         }},
        {"wide line",
         [](auto& s) {
             s.setDrawWidth(5);
             s.Line(3.5f, 40, 50, 2.25f, White);
         }},
        {"line from the pen",
         [](auto& s) {
             s.setCurrentX(60);
             s.setCurrentY(45);
             s.LineTo(-100, -100, White);
         }},
        {"filled circle",
         [](auto& s) {
             s.setFillStyle(DrawingSurface::FillSolid);
             s.setFillColor(Blue);
             s.setDrawWidth(3);
             s.Circle(10, 40, 20, Green);
         }},
        {"dotted circle",
         [](auto& s) {
             s.setDrawStyle(DrawingSurface::Dot);
             s.Circle(40, 20, 7.5f, Green);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingSurface s(QSize(64, 48));
        c.draw(s);
        const QRect lit = litBounds(s);
        ASSERT_FALSE(lit.isEmpty());
        const QRect dirty = s.takeDirty();
        EXPECT_TRUE(dirty.contains(lit)) << "dirty " << dirty.x() << "," << dirty.y() << " "
                                         << dirty.width() << "x" << dirty.height();
        EXPECT_TRUE(s.image().rect().contains(dirty));
        EXPECT_TRUE(s.takeDirty().isEmpty());
    }
}

TEST(DrawingSurface, ChangeNotifierFiresOncePerCleanToDirtyTransition) {
    DrawingSurface s(QSize(64, 48));
    int notified = 0;
    s.setChangeNotifier([&] { ++notified; });

    s.PSet(5, 5, White);
    s.Line(0, 0, 30, 30, White);
    s.Circle(20, 20, 5, White);
    EXPECT_EQ(notified, 1);
    // Still waiting to be shown: growing the surface announces nothing new.
    s.resize(QSize(80, 60));
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(s.takeDirty(), QRect(0, 0, 80, 60));

    s.PSet(-50, 5, White);
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(s.takeDirty().isEmpty());

    s.PSet(40, 40, White);
    EXPECT_EQ(notified, 2);
    s.Cls();
    EXPECT_EQ(notified, 2);
    EXPECT_EQ(s.takeDirty(), QRect(0, 0, 80, 60));

    s.resize(QSize(64, 48));
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(s.takeDirty(), QRect(0, 0, 64, 48));
    s.resize(QSize(64, 48));
    EXPECT_EQ(notified, 3);
    EXPECT_TRUE(s.takeDirty().isEmpty());
}

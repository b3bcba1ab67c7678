// The drawing surface, whose thick points take a fast path, and the Effects, which keep parts
// of their drawing between ticks: both must draw exactly what a plain drawing would.
#include "effects/Effects.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

using platform::DrawingSurface;
using platform::RGB;

namespace {

constexpr double TwoPi = 6.28318530717958;
constexpr int32_t White = 0xFFFFFF;
const float Inf = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

// A point as a disc as wide as the pen: centred on the pixel holding the point for odd
// widths, on the nearest pixel corner for even ones; a pixel is in when its centre is.
void referenceDot(QImage& image, float x, float y, int width, int32_t colour) {
    auto centre = [width](double v) {
        return width % 2 == 1 ? std::floor(v) + 0.5 : std::floor(v + 0.5);
    };
    const double cx = centre(x), cy = centre(y), r = width / 2.0;
    const double bottom = std::min(cy + r, image.height() - 1.0);
    const double right = std::min(cx + r, image.width() - 1.0);
    for (double py = std::max(std::floor(cy - r), 0.0); py <= bottom; ++py) {
        for (double px = std::max(std::floor(cx - r), 0.0); px <= right; ++px) {
            if ((px + 0.5 - cx) * (px + 0.5 - cx) + (py + 0.5 - cy) * (py + 0.5 - cy) <= r * r) {
                image.setPixel(int(px), int(py),
                               qRgb(colour & 255, colour >> 8 & 255, colour >> 16));
            }
        }
    }
}

// What a tick of the Effect the timer drives should draw on a clear surface, from the surface
// and colour before it and the numbers it drew, which end just before `end`.
QImage expected(EffectTimer timer, const DrawingSurface& b, int32_t colourBefore,
                const FormState& s, const float* end) {
    const QSize size = b.image().size();
    const int32_t colour = RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
    // Lines and circles: exactly the surface's own primitive on a clear surface.
    DrawingSurface ref(size);
    QImage want = ref.image();
    switch (timer) {
    case EffectTimer::SineTimer:
    case EffectTimer::TrigTimer:
        for (int i = 0; i <= 1000; ++i) {
            const auto t = static_cast<float>(i * TwoPi / 1000);
            const double angle = t * s.CurveFrequency;
            const double c = timer == EffectTimer::SineTimer ? std::sin(angle) : std::tan(angle);
            const auto u = static_cast<float>(c + t * s.CurveSlope + s.DY2);
            const auto x = static_cast<float>(size.width() * t / TwoPi + s.DX1);
            const float H = b.ScaleHeight();
            referenceDot(want, x, H / 2 - H * u / 2 + s.DY1, 5, colourBefore);
        }
        return want;
    case EffectTimer::ShadedRainTimer: {
        // Darkening to black upwards, five points of the colour, then brightening to white.
        const float y0 = (s.Y2 + s.Y1) / 2;
        auto shade = [&](int k) {
            auto level = [k](int v) { return std::clamp(v + k, 0, 255); };
            return RGB(level(s.RedLevel), level(s.GreenLevel), level(s.BlueLevel));
        };
        const int up = std::max({s.RedLevel, s.GreenLevel, s.BlueLevel});
        const int down = 255 - std::min({s.RedLevel, s.GreenLevel, s.BlueLevel});
        for (int k = 0; k <= up; ++k) {
            referenceDot(want, s.X1, y0 - 1.5f * k, 6, shade(-k));
        }
        for (int k = 1; k <= 5 + down; ++k) {
            referenceDot(want, s.X1, y0 + 1.5f * k, 6, shade(std::max(k - 5, 0)));
        }
        return want;
    }
    case EffectTimer::MyTimer: {
        // Two balls filled with the colours of the last six numbers drawn, then the line.
        ref.setDrawWidth(2);
        ref.setFillStyle(DrawingSurface::FillSolid);
        for (const float* at : {end - 6, end - 3}) {
            ref.setFillColor(RGB(int(at[0] * 256), int(at[1] * 256), int(at[2] * 256)));
            const bool first = at == end - 6;
            ref.Circle(first ? s.X1 : s.X2, first ? s.Y1 : s.Y2, ref.ScaleHeight() / 100, colour);
        }
        ref.Line(s.X1, s.Y1, s.X2, s.Y2, colour);
        break;
    }
    case EffectTimer::RainTimer:
    case EffectTimer::WashTimer:
        ref.setDrawWidth(timer == EffectTimer::RainTimer ? 6 : 2);
        ref.Line(s.X1, s.Y1, s.X2, s.Y2, colour);
        break;
    case EffectTimer::JaggedTimer:
        ref.setDrawWidth(2);
        ref.Line(b.CurrentX(), b.CurrentY(), b.CurrentX() + s.DX1, b.CurrentY() + s.DY1,
                 s.PenColour);
        break;
    case EffectTimer::CircleTimer:
        ref.setDrawWidth(3);
        ref.setFillColor(0);
        ref.setFillStyle(b.FillStyle());
        ref.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
        break;
    case EffectTimer::ExplodeTimer:
        ref.setDrawStyle(DrawingSurface::Dot);
        ref.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
        break;
    }
    return ref.image();
}

} // namespace

TEST(FastPath, DotsAreDiscsAtEveryWidthOnAndOffTheEdges) {
    const QSize size(61, 47);
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> across(-12.0f, 73.0f);
    for (int width = 1; width <= 9; ++width) {
        DrawingSurface surface(size);
        surface.setDrawWidth(static_cast<int16_t>(width));
        QImage want = DrawingSurface(size).image();
        std::vector<std::pair<float, float>> points = {
            {0, 0},       {60.99f, 46.99f}, {-0.5f, 10}, {61.5f, 10},  {30, -4.5f}, {30, 50.5f},
            {2.5f, 2.5f}, {3.49f, 7.51f},   {Inf, 3},    {1e9f, 1e9f}, {NaN, 5},    {-1.0f, -1.0f}};
        for (int i = 0; i < 150; ++i) {
            points.emplace_back(across(gen), across(gen) - 13);
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [x, y] = points[i];
            const int32_t colour = RGB(static_cast<int>(i * 37 % 256), width * 20, 99);
            surface.PSet(x, y, colour);
            referenceDot(want, x, y, width, colour);
            ASSERT_TRUE(surface.image() == want)
                << "width " << width << ", point " << x << ", " << y;
        }
    }
}

TEST(FastPath, EveryEffectsTicksDrawWhatTheyAreMeantTo) {
    using B = EffectButton; // in the timers' order
    const B buttons[] = {B::cmdEinsteinWaves, B::cmdRainbow,    B::cmdShadedRainbow,
                         B::cmdJagged,        B::CmdBlackHoles, B::cmdWash,
                         B::cmdExplodingSuns, B::cmdSineWaver,  B::cmdTrig};
    testing_support::OpenRecorder midi;
    for (int t = 0; t < EffectTimerCount; ++t) {
        SCOPED_TRACE(testing::Message() << "timer " << t);
        const auto timer = static_cast<EffectTimer>(t);
        std::mt19937 gen(static_cast<unsigned>(t));
        std::vector<float> numbers(20000);
        std::generate(numbers.begin(), numbers.end(), [&] { return float(gen() >> 8) * 0x1p-24f; });
        testing_support::ScriptedNumbers random(numbers);
        testing_support::FakeHost host;
        Effects effects(host);
        FormState& s = host.state();
        host.MyPic().setDrawStyle(DrawingSurface::Dot); // each Effect takes its own pen
        effects.click(buttons[t]);
        int compared = 0;
        for (int tick = 0; tick < 8; ++tick) {
            // A bouncing Effect's step moves the curves' offset, a band's restart their shape,
            // the window shrinks: none may leave kept points stale.
            if (tick == 2) {
                s.DY2 = s.DY2 + 0.125f;
            } else if (tick == 3) {
                s.CurveSlope = -s.CurveSlope;
                s.CurveFrequency = s.CurveFrequency + 0.5f;
            } else if (tick == 4) {
                host.MyPic().resize(QSize(900, 500));
            }
            // Each tick on a clear surface: the comparison sees that tick's drawing only.
            host.MyPic().Cls();
            const DrawingSurface before = host.MyPic();
            const int32_t colour = RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
            host.setCaption(QString());
            effects.tick(timer);
            if (!host.timerEnabled(timer)) {
                effects.click(buttons[t]);
            } else if (host.caption().isEmpty()) { // not started afresh within the tick
                ++compared;
                const float* end = numbers.data() + random.numbers().drawn();
                const QImage want = expected(timer, before, colour, s, end);
                ASSERT_TRUE(host.MyPic().image() == want) << "tick " << tick;
            }
        }
        EXPECT_GE(compared, 4) << "too few ticks drew without starting afresh";
    }
}

TEST(DrawingSurface, FarOutAndNonFiniteShapesDrawNothingButReachingInShowsTheVisiblePart) {
    // Tangent curves and runaway steps hand the surface such values; none may reach an
    // integer conversion or wrap round into view.
    const std::pair<float, float> far[] = {{1e10f, 10},         {10, -3e9f}, {10, 5e12f},
                                           {FLT_MAX, -FLT_MAX}, {-10, 10},   {NaN, 10},
                                           {10, NaN},           {10, -Inf}};
    for (int16_t width : {1, 5}) {
        DrawingSurface s(QSize(64, 48));
        int notified = 0;
        s.setChangeNotifier([&] { ++notified; });
        s.setDrawWidth(width);
        for (auto [x, y] : far) {
            s.PSet(x, y, White);
            s.Circle(x, y, 5, White);
        }
        s.Line(-1e12f, -100, 1e12f, -100, White);
        s.Line(1e10f, -1e10f, 2e10f, 3e9f, White);
        s.Line(NaN, 0, 10, 10, White);
        s.Line(10, 10, Inf, 10, White);
        s.setCurrentX(NaN);
        s.LineTo(10, 10, White);
        s.Circle(-1e9f, 20, 1e8f, White);
        for (float radius : {NaN, Inf, -5.0f, 1e6f, FLT_MAX}) {
            s.Circle(32, 24, radius, White); // unfilled, or beyond the surface all round
        }
        EXPECT_TRUE(s.image() == DrawingSurface(QSize(64, 48)).image()) << width;
        EXPECT_TRUE(notified == 0 && s.takeDirty().isEmpty()) << width;
    }
    DrawingSurface s(QSize(64, 48));
    s.Line(-1e12f, 10, 1e12f, 10, White);
    s.Line(20, -3e9f, 20, 3e9f, White);
    s.Line(-1e9f, -1e9f, 1e9f, 1e9f, White);
    EXPECT_EQ(s.pixel(0, 10) & s.pixel(63, 10) & s.pixel(20, 0) & s.pixel(20, 47) & s.pixel(0, 0) &
                  s.pixel(47, 47),
              White);
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
        const float far = i % 7 == 6 ? 1e9f : 1;
        const float x = where(gen) * far, y = where(gen), x2 = where(gen), y2 = where(gen) * far;
        i % 4 == 0   ? s.PSet(x, y, colour)
        : i % 4 == 1 ? s.Line(x2, y2, x, y, colour)
        : i % 4 == 2 ? s.LineTo(x, y, colour)
                     : s.Circle(x, y, x2 / 2, colour);
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

// The drawing surface, whose thick points take a fast path, and the Effects, which keep parts
// of their drawing between ticks: both must draw exactly what a plain drawing would.
#include "effects/EffectTable.h"
#include "effects/Effects.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include "effects/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// A line or a circle as drawn with a pen of the given width: its pixels are those whose centres
// lie within half the width of the ideal segment or outline. Pixels on the rim of that band
// may go either way; the styles show only at width 1.
struct Stroke {
    bool ring = false;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // the segment, or the centre in x1, y1
    double radius = 0;
    int width = 1;
    bool dotted = false;
    int32_t colour = White;
    bool filled = false;
    int32_t fill = 0;

    double distance(double x, double y) const {
        if (ring) {
            return std::abs(std::hypot(x - x1, y - y1) - radius);
        }
        const double dx = x2 - x1, dy = y2 - y1, length = dx * dx + dy * dy;
        const double t =
            length == 0 ? 0 : std::clamp(((x - x1) * dx + (y - y1) * dy) / length, 0.0, 1.0);
        return std::hypot(x - x1 - t * dx, y - y1 - t * dy);
    }
    // Pixels an unbroken pen of this width covers, once round.
    double length() const {
        return ring ? 4 * std::sqrt(2.0) * radius
                    : std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1;
    }
    bool within(const QImage& image) const {
        const double reach = ring ? radius + 1 : 1;
        const double right = ring ? x1 : std::max(x1, x2), bottom = ring ? y1 : std::max(y1, y2);
        return std::min(x1, ring ? x1 : x2) - reach >= 0 &&
               std::min(y1, ring ? y1 : y2) - reach >= 0 && right + reach < image.width() &&
               bottom + reach < image.height();
    }
};

// Every pixel that some stroke surely covers has the colour of the last such stroke, or of the
// inside of a filled circle; every pixel no stroke reaches is black. Thin strokes, which only
// the pixels along them show, are counted: about one pixel in three for a dotted pen.
std::string checkStrokes(const QImage& image, const std::vector<Stroke>& strokes) {
    std::vector<int> counted(strokes.size());
    for (int py = 0; py < image.height(); ++py) {
        for (int px = 0; px < image.width(); ++px) {
            const QRgb pixel = image.pixel(px, py);
            const int32_t have = qRed(pixel) + 256 * qGreen(pixel) + 65536 * qBlue(pixel);
            int32_t want = 0;
            bool known = true;
            for (std::size_t i = 0; i < strokes.size(); ++i) {
                const Stroke& s = strokes[i];
                // Whether a coordinate names a pixel's corner or its centre is the platform's
                // choice: a pixel is sure only under both, possible under either.
                const double atCentre = s.distance(px + 0.5, py + 0.5),
                             atCorner = s.distance(px, py);
                const double half = s.width / 2.0;
                const bool patterned = s.width == 1 && s.dotted;
                if (std::max(atCentre, atCorner) <= half - 0.35 && !patterned && s.width > 1) {
                    want = s.colour, known = true;
                } else if (std::min(atCentre, atCorner) <= std::max(half + 0.1, 0.8)) {
                    known = false;
                    counted[i] += have == s.colour;
                } else if (s.ring && s.filled &&
                           std::hypot(px + 0.5 - s.x1, py + 0.5 - s.y1) < s.radius) {
                    want = s.fill, known = true;
                }
            }
            if (known && have != want) {
                return "pixel " + std::to_string(px) + ", " + std::to_string(py) + " is " +
                       std::to_string(have) + ", not " + std::to_string(want);
            }
        }
    }
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        const double share = counted[i] / strokes[i].length();
        const bool dotted = strokes[i].dotted && strokes[i].width == 1;
        if (strokes[i].width == 1 && strokes[i].within(image) &&
            (dotted ? share < 0.2 || share > 0.5 : share < 0.8)) {
            return "stroke " + std::to_string(i) + " shows " + std::to_string(share) +
                   " of its length";
        }
    }
    return "";
}

Stroke line(double x1, double y1, double x2, double y2, int width, int32_t colour) {
    return Stroke{false, x1, y1, x2, y2, 0, width, false, colour};
}

Stroke circle(double x, double y, double r, int width, int32_t colour, bool filled = false,
              int32_t fill = 0, bool dotted = false) {
    return Stroke{true, x, y, 0, 0, r, width, dotted, colour, filled, fill};
}

TEST(DrawingSurface, LinesAndCirclesAreAsWideAsThePenInTheirStyleAndClipped) {
    const Stroke cases[] = {
        line(5, 10, 55, 10, 1, White),
        line(10, 3, 10, 40, 2, 0x00FF00),
        line(3, 4, 57, 41, 3, 0x123456),
        line(50, 2, 12, 44, 6, 0xFF),
        line(-20, 30, 80, 10, 5, White),
        line(30, -9, 30, 70, 2, White),
        line(4, 40, 56, 5, 1, White),
        circle(30, 24, 15, 1, White),
        circle(30, 24, 12, 3, 0xFF00, true, 0x0000FF),
        circle(2, 45, 20, 5, White, true, 0x808080),
        circle(30, 24, 18, 6, 0xFFFF),
        circle(30, 24, 200, 1, White, true, 0xFF),
        circle(-30, 24, 200, 2, White, true, 0xFF),
    };
    for (int style : {DrawingSurface::Solid, DrawingSurface::Dot}) {
        for (Stroke s : cases) {
            SCOPED_TRACE(testing::Message() << "style " << style << ", from " << s.x1 << ", "
                                            << s.y1 << ", width " << s.width);
            DrawingSurface surface(QSize(61, 47));
            surface.setDrawWidth(int16_t(s.width));
            surface.setDrawStyle(int16_t(style));
            surface.setFillColor(s.fill);
            surface.setFillStyle(s.filled ? DrawingSurface::FillSolid
                                          : DrawingSurface::FillTransparent);
            s.ring ? surface.Circle(float(s.x1), float(s.y1), float(s.radius), s.colour)
                   : surface.Line(float(s.x1), float(s.y1), float(s.x2), float(s.y2), s.colour);
            s.dotted = style == DrawingSurface::Dot;
            EXPECT_EQ(checkStrokes(surface.image(), {s}), "");
            // The pen moves to a line's end, or to a circle's centre.
            EXPECT_EQ(QPointF(surface.CurrentX(), surface.CurrentY()),
                      s.ring ? QPointF(s.x1, s.y1) : QPointF(s.x2, s.y2));
        }
    }
}

// What the Effects share and a tick reads: the state before it.
struct Before {
    float X1, Y1, X2, Y2, DX1, DY1, DX2, DY2, driftX, driftY, slope, frequency, radius;
    int16_t r, g, b;
    int32_t pen;
    float penX, penY, W, H;
    bool filled;
    explicit Before(const FormState& s, const DrawingSurface& pic)
        : X1(s.X1), Y1(s.Y1), X2(s.X2), Y2(s.Y2), DX1(s.DX1), DY1(s.DY1), DX2(s.DX2), DY2(s.DY2),
          driftX(s.CurveDriftX), driftY(s.CurveDriftY), slope(s.CurveSlope),
          frequency(s.CurveFrequency), radius(s.Radius), r(s.RedLevel), g(s.GreenLevel),
          b(s.BlueLevel), pen(s.PenColour), penX(pic.CurrentX()), penY(pic.CurrentY()),
          W(pic.ScaleWidth()), H(pic.ScaleHeight()),
          filled(pic.FillStyle() == DrawingSurface::FillSolid) {}
    // The colour a step further round the wheel.
    int32_t turned(int16_t step) const {
        int16_t red = r, green = g, blue = b;
        TurnColour(red, green, blue, step);
        return RGB(red, green, blue);
    }
};

// A step that turns round beyond an edge while heading out, and steps back once.
float stepped(float position, float step, float extent) {
    const float moved = position + step;
    return (moved < 0 && step < 0) || (moved > extent && step > 0) ? moved - step : moved;
}

// What a tick of the Effect should draw on a clear surface, worked out from the state before
// it and the numbers it draws (from `next` on, `end` just past the last): dots exactly, lines
// and circles as strokes.
std::string checkTick(EffectTimer timer, const QImage& drawn, const Before& b, const float* next,
                      const float* end) {
    QImage want = DrawingSurface(drawn.size()).image();
    std::vector<Stroke> strokes;
    const float x1 = stepped(b.X1, b.DX1, b.W), y1 = stepped(b.Y1, b.DY1, b.H);
    const float x2 = stepped(b.X2, b.DX2, b.W), y2 = stepped(b.Y2, b.DY2, b.H);
    auto light = [](float r) { return int(std::nearbyint(r * 192 + 63)); };
    switch (timer) {
    case EffectTimer::SineTimer:
    case EffectTimer::TrigTimer:
        for (int i = 0; i <= 1000; ++i) {
            const auto t = static_cast<float>(i * TwoPi / 1000);
            const double angle = t * b.frequency;
            const double c = timer == EffectTimer::SineTimer ? std::sin(angle) : std::tan(angle);
            const auto u = static_cast<float>(c + t * b.slope + b.DY2);
            const auto x = static_cast<float>(b.W * t / TwoPi + (b.DX1 + b.driftX));
            referenceDot(want, x, b.H / 2 - b.H * u / 2 + (b.DY1 + b.driftY), 5,
                         RGB(b.r, b.g, b.b));
        }
        return drawn == want ? "" : "the curve differs";
    case EffectTimer::ShadedRainTimer: {
        // Darkening to black upwards, five points of the colour, then brightening to white.
        const int32_t colour = b.turned(-8);
        const int levels[] = {colour & 255, colour >> 8 & 255, colour >> 16};
        const float y0 = (b.Y2 + b.Y1) / 2;
        auto shade = [&](int k) {
            auto level = [k](int v) { return std::clamp(v + k, 0, 255); };
            return RGB(level(levels[0]), level(levels[1]), level(levels[2]));
        };
        const int up = std::max({levels[0], levels[1], levels[2]});
        const int down = 255 - std::min({levels[0], levels[1], levels[2]});
        for (int k = 0; k <= up; ++k) {
            referenceDot(want, b.X1 + 5, y0 - 1.5f * float(k), 6, shade(-k));
        }
        for (int k = 1; k <= 5 + down; ++k) {
            referenceDot(want, b.X1 + 5, y0 + 1.5f * float(k), 6, shade(std::max(k - 5, 0)));
        }
        return drawn == want ? "" : "the column differs";
    }
    case EffectTimer::MyTimer: {
        // Two balls filled with the colours of the last six numbers, then the line.
        const int32_t colour = b.turned(5);
        for (const float* at : {end - 6, end - 3}) {
            const bool first = at == end - 6;
            strokes.push_back(circle(first ? x1 : x2, first ? y1 : y2, b.H / 100, 2, colour, true,
                                     RGB(int(at[0] * 256), int(at[1] * 256), int(at[2] * 256))));
        }
        strokes.push_back(line(x1, y1, x2, y2, 2, colour));
        break;
    }
    case EffectTimer::WashTimer:
        strokes.push_back(line(x1, y1, x2, y2, 2, b.turned(5)));
        break;
    case EffectTimer::RainTimer:
        strokes.push_back(line(b.X1 + 5, b.Y1, b.X2 + 5, b.Y2, 6, b.turned(8)));
        break;
    case EffectTimer::JaggedTimer: {
        const float dx = (next[0] * 250 + 50) * (int(next[2] * 2) == 1 ? -1 : 1);
        const float dy = (next[1] * 150 + 50) * (int(next[3] * 2) == 1 ? -1 : 1);
        strokes.push_back(line(b.penX, b.penY, b.penX + dx, b.penY + dy, 2, b.pen));
        break;
    }
    case EffectTimer::CircleTimer:
        strokes.push_back(circle(b.X1, b.Y1, float(b.radius * 0.9), 3,
                                 RGB(light(next[0]), light(next[1]), light(next[2])), b.filled, 0));
        break;
    case EffectTimer::ExplodeTimer:
        strokes.push_back(
            circle(b.X1, b.Y1, float(b.radius * 1.05), 1, b.turned(-3), false, 0, true));
        break;
    }
    return checkStrokes(drawn, strokes);
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
    for (int t = 0; t < EffectTimerCount; ++t) {
        SCOPED_TRACE(testing::Message() << "timer " << t);
        testing_support::OpenRecorder midi;
        const auto timer = static_cast<EffectTimer>(t);
        std::mt19937 gen(static_cast<unsigned>(t));
        std::vector<float> numbers(20000);
        std::generate(numbers.begin(), numbers.end(), [&] { return float(gen() >> 8) * 0x1p-24f; });
        platform::ScriptedRandom random(numbers);
        testing_support::FakeHost host(QSize(1024, 594), &random, &midi.link);
        Effects effects(host);
        FormState& s = host.state();
        host.MyPic().setDrawStyle(DrawingSurface::Dot); // each Effect takes its own pen
        effects.click(effectDesign(timer).button);
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
            const Before before(s, host.MyPic());
            const float* next = numbers.data() + random.drawn();
            host.setCaption(QString());
            const std::size_t notes = testing_support::playedNotes(midi.log()).size();
            effects.tick(timer);
            EXPECT_EQ(testing_support::playedNotes(midi.log()).size(), notes + 1) << "one a tick";
            EXPECT_LE(midi.log().soundingNotes().size(), 1u);
            if (!host.timerEnabled(timer)) {
                effects.click(effectDesign(timer).button);
            } else if (host.caption().isEmpty()) { // not started afresh within the tick
                ++compared;
                const int16_t steps[] = {5, 8, -8, 0, 0, 5, -3, 10, 10}; // in the timers' order
                EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), before.turned(steps[t]));
                const float* end = numbers.data() + random.drawn();
                ASSERT_EQ(checkTick(timer, host.MyPic().image(), before, next, end), "")
                    << "tick " << tick;
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
    for (int16_t width : {int16_t(1), int16_t(5)}) {
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

// Thick points take a fast path through the surface, and the Effects may keep parts of
// their drawing from tick to tick. Whatever is made faster must draw exactly the same
// pixels: these compare the product's drawing with a plain drawing of what each Effect
// is meant to draw, point by point and primitive by primitive.
#include "effects/Effects.h"
#include "platform/DrawingSurface.h"
#include "platform/Random.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

using platform::DrawingSurface;
using testing_support::FakeHost;

namespace {

QRgb rgbOf(int32_t c) {
    return qRgb(platform::redOf(c), platform::greenOf(c), platform::blueOf(c));
}

// A point as a disc as wide as the pen: centred on the pixel holding the point for odd
// widths, on the nearest pixel corner for even ones; a pixel is in when its centre is.
void referenceDot(QImage& image, float x, float y, int width, int32_t colour) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    auto centre = [width](double v) {
        return width % 2 == 1 ? std::floor(v) + 0.5 : std::floor(v + 0.5);
    };
    const double cx = centre(x);
    const double cy = centre(y);
    const double r = width / 2.0;
    if (cx + r < 0 || cy + r < 0 || cx - r > image.width() || cy - r > image.height()) {
        return;
    }
    for (int py = static_cast<int>(std::floor(cy - r)); py <= static_cast<int>(cy + r); ++py) {
        for (int px = static_cast<int>(std::floor(cx - r)); px <= static_cast<int>(cx + r); ++px) {
            const double dx = px + 0.5 - cx;
            const double dy = py + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r && image.rect().contains(px, py)) {
                image.setPixel(px, py, rgbOf(colour));
            }
        }
    }
}

QImage blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// The first differing pixel, for the failure message.
std::string firstDifference(const QImage& got, const QImage& want) {
    if (got.size() != want.size()) {
        return "sizes differ";
    }
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            if ((got.pixel(x, y) & 0xFFFFFF) != (want.pixel(x, y) & 0xFFFFFF)) {
                char text[96];
                std::snprintf(text, sizeof text, "at (%d, %d): drawn %06X, expected %06X", x, y,
                              got.pixel(x, y) & 0xFFFFFF, want.pixel(x, y) & 0xFFFFFF);
                return text;
            }
        }
    }
    return "none";
}

// The program's generator with reseeds that repeat, remembering what it handed out.
class RecordingRandom final : public platform::RandomSource {
public:
    float next() override {
        drawn.push_back(generator_.next());
        return drawn.back();
    }
    void reseed() override { generator_.seedWith(0x5EED + 7919 * ++reseeds_); }
    std::vector<float> drawn;

private:
    platform::ClockSeededRandom generator_{12345};
    uint64_t reseeds_ = 0;
};

} // namespace

TEST(FastPath, DotsAreDiscsAtEveryWidthOnAndOffTheEdges) {
    const QSize size(61, 47);
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> across(-12.0f, 73.0f);
    std::uniform_real_distribution<float> down(-12.0f, 59.0f);
    const float inf = std::numeric_limits<float>::infinity();
    for (int width = 1; width <= 9; ++width) {
        DrawingSurface surface(size);
        surface.setDrawWidth(static_cast<int16_t>(width));
        QImage want = blank(size);
        std::vector<std::pair<float, float>> points = {
            {0, 0},        {60.99f, 46.99f}, {-0.5f, 10},        {61.5f, 10},    {30, -4.5f},
            {30, 50.5f},   {2.5f, 2.5f},     {3.49f, 7.51f},     {inf, 3},       {3, -inf},
            {1e9f, 1e9f},  {-3e9f, 20},      {std::nanf(""), 5}, {30.5f, 23.5f}, {-1.0f, -1.0f},
            {60.0f, 46.0f}};
        for (int i = 0; i < 150; ++i) {
            points.emplace_back(across(gen), down(gen));
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int32_t colour = platform::RGB(static_cast<int>(i * 37 % 256), width * 20,
                                                 static_cast<int>(255 - i % 256));
            surface.PSet(points[i].first, points[i].second, colour);
            referenceDot(want, points[i].first, points[i].second, width, colour);
            ASSERT_EQ(surface.image(), want)
                << "width " << width << ", point " << points[i].first << ", " << points[i].second
                << ": " << firstDifference(surface.image(), want);
        }
    }
}

TEST(FastPath, ADotMarksAtLeastWhatItChanged) {
    // The window repaints only the marked part; a dot must never reach beyond it.
    DrawingSurface surface(QSize(40, 30));
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> where(-8.0f, 48.0f);
    for (int i = 0; i < 300; ++i) {
        surface.setDrawWidth(static_cast<int16_t>(1 + i % 8));
        const QImage before = surface.image().copy();
        (void)surface.takeDirty();
        surface.PSet(where(gen), where(gen), platform::RGB(i % 256, 255, 128));
        const QRect marked = surface.takeDirty();
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                if (surface.image().pixel(x, y) != before.pixel(x, y)) {
                    ASSERT_TRUE(marked.contains(x, y)) << "dot " << i << " at " << x << ", " << y;
                }
            }
        }
    }
}

namespace {

// The state worth keeping from before a tick.
struct Before {
    FormState state;
    float penX = 0;
    float penY = 0;
    int16_t fillStyle = 0;
};

// Draws one curve of the sine or tangent band, point by point, as the band is documented.
void referenceCurve(QImage& want, const FormState& s, int32_t colour, double (*curve)(double),
                    float W, float H) {
    for (int i = 0; i <= 1000; ++i) {
        const auto t = static_cast<float>(i * 6.28318530717958 / 1000);
        const auto u = static_cast<float>(curve(t * s.CurveFrequency) + t * s.CurveSlope + s.DY2);
        const auto x = static_cast<float>(W * t / 6.28318530717958 + s.DX1);
        const float y = H / 2 - H * u / 2 + s.DY1;
        referenceDot(want, x, y, 5, colour);
    }
}

// The column of Meteorites, as documented for DrawShadedLine.
void referenceColumn(QImage& want, const FormState& s, int width) {
    const float y0 = (s.Y2 + s.Y1) / 2;
    int r = s.RedLevel;
    int g = s.GreenLevel;
    int b = s.BlueLevel;
    float y = y0;
    referenceDot(want, s.X1, y, width, platform::RGB(r, g, b));
    while (!(r == 0 && g == 0 && b == 0)) {
        y = y - 1.5f;
        r = std::max(r - 1, 0);
        g = std::max(g - 1, 0);
        b = std::max(b - 1, 0);
        referenceDot(want, s.X1, y, width, platform::RGB(r, g, b));
    }
    y = y0;
    for (int i = 0; i < 5; ++i) {
        y = y + 1.5f;
        referenceDot(want, s.X1, y, width, platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
    }
    r = s.RedLevel;
    g = s.GreenLevel;
    b = s.BlueLevel;
    while (!(r == 255 && g == 255 && b == 255)) {
        y = y + 1.5f;
        r = std::min(r + 1, 255);
        g = std::min(g + 1, 255);
        b = std::min(b + 1, 255);
        referenceDot(want, s.X1, y, width, platform::RGB(r, g, b));
    }
}

int32_t levels(const FormState& s) {
    return platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
}

// Lines and circles go through the surface's own primitives, on a surface of their own:
// the tick must draw exactly that primitive and nothing else.
DrawingSurface primitiveSurface(QSize size, int16_t width) {
    DrawingSurface s(size);
    s.setDrawWidth(width);
    return s;
}

double sine(double v) {
    return std::sin(v);
}
double tangent(double v) {
    return std::tan(v);
}

struct EffectCase {
    std::string name;
    EffectButton button;
    EffectTimer timer;
    // What a tick should have drawn, from the state before and after it and the random
    // numbers it drew; false when the tick started the Effect afresh (not compared).
    std::function<bool(const Before&, FakeHost&, const std::vector<float>&, QImage&)> reference;
    // Done before some ticks: what other Effects or the window may do meanwhile.
    std::function<void(FakeHost&, int tick)> disturb;
};

std::vector<EffectCase> effectCases() {
    auto curveBand = [](double (*curve)(double)) {
        return [curve](const Before& b, FakeHost& host, const std::vector<float>&, QImage& want) {
            const FormState& s = host.state();
            const float W = host.MyPic().ScaleWidth();
            const float H = host.MyPic().ScaleHeight();
            // A band that ended started afresh within the tick.
            if (s.DY1 < b.state.DY1) {
                return false;
            }
            referenceCurve(want, s, levels(b.state), curve, W, H);
            return true;
        };
    };
    // The shared curve values change under a running band: a restart of the other band,
    // a bouncing Effect's step, a smaller window.
    auto shakeCurve = [](FakeHost& host, int tick) {
        FormState& s = host.state();
        if (tick == 2) {
            s.DY2 = s.DY2 + 0.125f;
        } else if (tick == 3) {
            s.CurveSlope = -s.CurveSlope;
            s.CurveFrequency = s.CurveFrequency + 0.5f;
        } else if (tick == 4) {
            host.MyPic().resize(QSize(900, 500));
        }
    };
    return {
        {"Cosmic Sines", EffectButton::cmdSineWaver, EffectTimer::SineTimer, curveBand(sine),
         shakeCurve},
        {"Trigonometric Trajectories", EffectButton::cmdTrig, EffectTimer::TrigTimer,
         curveBand(tangent), shakeCurve},
        {"Meteorites",
         EffectButton::cmdShadedRainbow,
         EffectTimer::ShadedRainTimer,
         [](const Before&, FakeHost& host, const std::vector<float>&, QImage& want) {
             referenceColumn(want, host.state(), 6);
             return true;
         },
         {}},
        {"Einstein Waves",
         EffectButton::cmdEinsteinWaves,
         EffectTimer::MyTimer,
         [](const Before&, FakeHost& host, const std::vector<float>& drawn, QImage& want) {
             // Two balls, each filled with the colour of three fresh random numbers, then
             // the line; those six numbers are the last the tick drew.
             const FormState& s = host.state();
             if (drawn.size() < 6) {
                 return false;
             }
             const std::size_t n = drawn.size();
             auto fill = [&](std::size_t at) {
                 auto level = [&](std::size_t i) { return static_cast<int>(drawn[i] * 256); };
                 return platform::RGB(level(at), level(at + 1), level(at + 2));
             };
             DrawingSurface ref = primitiveSurface(want.size(), 2);
             ref.setFillStyle(DrawingSurface::FillSolid);
             ref.setFillColor(fill(n - 6));
             ref.Circle(s.X1, s.Y1, ref.ScaleHeight() / 100, levels(s));
             ref.setFillColor(fill(n - 3));
             ref.Circle(s.X2, s.Y2, ref.ScaleHeight() / 100, levels(s));
             ref.Line(s.X1, s.Y1, s.X2, s.Y2, levels(s));
             want = ref.image();
             return true;
         },
         {}},
        {"Saturated Rainbow",
         EffectButton::cmdRainbow,
         EffectTimer::RainTimer,
         [](const Before&, FakeHost& host, const std::vector<float>&, QImage& want) {
             const FormState& s = host.state();
             DrawingSurface ref = primitiveSurface(want.size(), 6);
             ref.Line(s.X1, s.Y1, s.X2, s.Y2, levels(s));
             want = ref.image();
             return true;
         },
         {}},
        {"Spectral Flood",
         EffectButton::cmdWash,
         EffectTimer::WashTimer,
         [](const Before&, FakeHost& host, const std::vector<float>&, QImage& want) {
             const FormState& s = host.state();
             DrawingSurface ref = primitiveSurface(want.size(), 2);
             ref.Line(s.X1, s.Y1, s.X2, s.Y2, levels(s));
             want = ref.image();
             return true;
         },
         {}},
        {"Jagged Maze",
         EffectButton::cmdJagged,
         EffectTimer::JaggedTimer,
         [](const Before& b, FakeHost& host, const std::vector<float>&, QImage& want) {
             const FormState& s = host.state();
             const float x = b.penX + s.DX1;
             const float y = b.penY + s.DY1;
             // A walk that left the surface starts again elsewhere, with new steps.
             if (host.MyPic().CurrentX() != x || host.MyPic().CurrentY() != y) {
                 return false;
             }
             DrawingSurface ref = primitiveSurface(want.size(), 2);
             ref.Line(b.penX, b.penY, x, y, s.PenColour);
             want = ref.image();
             return true;
         },
         {}},
        {"Black Holes",
         EffectButton::CmdBlackHoles,
         EffectTimer::CircleTimer,
         [](const Before& b, FakeHost& host, const std::vector<float>&, QImage& want) {
             const FormState& s = host.state();
             if (s.Radius < 10 || s.X1 != b.state.X1) {
                 return false;
             }
             DrawingSurface ref = primitiveSurface(want.size(), 3);
             ref.setFillColor(0);
             ref.setFillStyle(b.fillStyle);
             ref.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
             want = ref.image();
             return true;
         },
         {}},
        {"Exploding Suns",
         EffectButton::cmdExplodingSuns,
         EffectTimer::ExplodeTimer,
         [](const Before& b, FakeHost& host, const std::vector<float>&, QImage& want) {
             const FormState& s = host.state();
             if (s.X1 != b.state.X1) {
                 return false;
             }
             DrawingSurface ref = primitiveSurface(want.size(), 1);
             ref.setDrawStyle(DrawingSurface::Dot);
             ref.setFillStyle(DrawingSurface::FillTransparent);
             ref.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
             want = ref.image();
             return true;
         },
         {}},
    };
}

void copyDrawingState(const FormState& from, FormState& to) {
    to.X1 = from.X1;
    to.X2 = from.X2;
    to.Y1 = from.Y1;
    to.Y2 = from.Y2;
    to.DX1 = from.DX1;
    to.DY1 = from.DY1;
    to.DX2 = from.DX2;
    to.DY2 = from.DY2;
    to.CurveSlope = from.CurveSlope;
    to.CurveFrequency = from.CurveFrequency;
    to.RedLevel = from.RedLevel;
    to.GreenLevel = from.GreenLevel;
    to.BlueLevel = from.BlueLevel;
    to.PenColour = from.PenColour;
    to.Radius = from.Radius;
}

} // namespace

TEST(FastPath, EveryEffectsTicksDrawWhatTheyAreMeantTo) {
    testing_support::OpenRecorder midi;
    for (const EffectCase& c : effectCases()) {
        SCOPED_TRACE(c.name);
        RecordingRandom random;
        platform::setRandomSource(&random);
        FakeHost host;
        Effects effects(host);
        effects.click(c.button);
        int compared = 0;
        for (int tick = 0; tick < 8; ++tick) {
            if (c.disturb) {
                c.disturb(host, tick);
            }
            // Each tick on a clear surface: the comparison sees that tick's drawing only.
            host.MyPic().Cls();
            Before before;
            copyDrawingState(host.state(), before.state);
            before.penX = host.MyPic().CurrentX();
            before.penY = host.MyPic().CurrentY();
            before.fillStyle = host.MyPic().FillStyle();
            random.drawn.clear();
            effects.tick(c.timer);
            if (!host.timerEnabled(c.timer)) {
                effects.click(c.button);
                continue;
            }
            QImage want = blank(host.MyPic().image().size());
            if (!c.reference(before, host, random.drawn, want)) {
                continue;
            }
            ++compared;
            ASSERT_EQ(host.MyPic().image(), want)
                << "tick " << tick << ": " << firstDifference(host.MyPic().image(), want);
        }
        platform::setRandomSource(nullptr);
        EXPECT_GE(compared, 4) << "too few ticks drew without starting afresh";
    }
}

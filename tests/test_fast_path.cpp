// Thick points take a fast path through the surface, and the Effects keep parts of their
// drawing between ticks: both must draw exactly what a plain drawing would.
#include "effects/Effects.h"
#include "platform/Random.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using platform::DrawingSurface;
using platform::RGB;

namespace {

constexpr double TwoPi = 6.28318530717958;

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

// The program's generator with reseeds that repeat, remembering what it handed out.
class RecordingRandom final : public platform::RandomSource {
public:
    RecordingRandom() { platform::setRandomSource(this); }
    ~RecordingRandom() override { platform::setRandomSource(nullptr); }
    float next() override { return drawn.emplace_back(generator_.next()); }
    void reseed() override { generator_.seedWith(0x5EED + 7919 * ++reseeds_); }
    std::vector<float> drawn;

private:
    platform::ClockSeededRandom generator_{12345};
    uint64_t reseeds_ = 0;
};

// What a tick's drawing depends on from before it.
struct Before {
    float penX, penY;
    int32_t colour;
    int16_t fillStyle;
};

// What a tick of the Effect the timer drives should draw on a clear surface.
QImage expected(EffectTimer timer, const Before& b, testing_support::FakeHost& host,
                const std::vector<float>& drawn) {
    const FormState& s = host.state();
    const QSize size = host.MyPic().image().size();
    const int32_t colour = RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
    // Lines and circles go through the surface's own primitives, on a surface of their own:
    // the tick must draw exactly that primitive and nothing else.
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
            const float H = host.MyPic().ScaleHeight();
            referenceDot(want, x, H / 2 - H * u / 2 + s.DY1, 5, b.colour);
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
        auto fill = [&](std::size_t at) {
            auto level = [&](std::size_t i) { return static_cast<int>(drawn[i] * 256); };
            return RGB(level(at), level(at + 1), level(at + 2));
        };
        ref.setDrawWidth(2);
        ref.setFillStyle(DrawingSurface::FillSolid);
        ref.setFillColor(fill(drawn.size() - 6));
        ref.Circle(s.X1, s.Y1, ref.ScaleHeight() / 100, colour);
        ref.setFillColor(fill(drawn.size() - 3));
        ref.Circle(s.X2, s.Y2, ref.ScaleHeight() / 100, colour);
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
        ref.Line(b.penX, b.penY, b.penX + s.DX1, b.penY + s.DY1, s.PenColour);
        break;
    case EffectTimer::CircleTimer:
        ref.setDrawWidth(3);
        ref.setFillColor(0);
        ref.setFillStyle(b.fillStyle);
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
    const float inf = std::numeric_limits<float>::infinity();
    for (int width = 1; width <= 9; ++width) {
        DrawingSurface surface(size);
        surface.setDrawWidth(static_cast<int16_t>(width));
        QImage want = DrawingSurface(size).image();
        std::vector<std::pair<float, float>> points = {
            {0, 0},       {60.99f, 46.99f}, {-0.5f, 10},        {61.5f, 10},    {30, -4.5f},
            {30, 50.5f},  {2.5f, 2.5f},     {3.49f, 7.51f},     {inf, 3},       {3, -inf},
            {1e9f, 1e9f}, {-3e9f, 20},      {std::nanf(""), 5}, {30.5f, 23.5f}, {-1.0f, -1.0f}};
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
    using B = EffectButton;
    // The button of each timer's Effect, in the timers' order.
    const B buttons[] = {B::cmdEinsteinWaves, B::cmdRainbow,    B::cmdShadedRainbow,
                         B::cmdJagged,        B::CmdBlackHoles, B::cmdWash,
                         B::cmdExplodingSuns, B::cmdSineWaver,  B::cmdTrig};
    testing_support::OpenRecorder midi;
    for (int t = 0; t < EffectTimerCount; ++t) {
        SCOPED_TRACE(testing::Message() << "timer " << t);
        const auto timer = static_cast<EffectTimer>(t);
        RecordingRandom random;
        testing_support::FakeHost host;
        Effects effects(host);
        FormState& s = host.state();
        // Whatever pen the last Effect left, each takes its own.
        host.MyPic().setDrawStyle(DrawingSurface::Dot);
        effects.click(buttons[t]);
        int compared = 0;
        for (int tick = 0; tick < 8; ++tick) {
            // What may change under a running Effect: a bouncing Effect's step moves the
            // curves' offset, a band's restart their shape, the window shrinks.
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
            const auto& pic = host.MyPic();
            const int32_t colour = RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
            const Before before{pic.CurrentX(), pic.CurrentY(), colour, pic.FillStyle()};
            random.drawn.clear();
            host.setCaption(QString());
            effects.tick(timer);
            if (!host.timerEnabled(timer)) {
                effects.click(buttons[t]);
            } else if (host.caption().isEmpty()) { // not started afresh within the tick
                ++compared;
                const QImage want = expected(timer, before, host, random.drawn);
                ASSERT_TRUE(host.MyPic().image() == want) << "tick " << tick;
            }
        }
        EXPECT_GE(compared, 4) << "too few ticks drew without starting afresh";
    }
}

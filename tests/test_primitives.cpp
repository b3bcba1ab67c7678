#include "effects/Primitives.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::ScriptedNumbers;

namespace {

struct Levels {
    int16_t r, g, b;
    bool operator==(const Levels&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Levels& l) {
    return os << '(' << l.r << ", " << l.g << ", " << l.b << ')';
}

Levels turned(Levels l, int16_t step) {
    TurnColour(l.r, l.g, l.b, step);
    return l;
}

bool onEdge(const Levels& l) {
    auto inRange = [](int16_t v) { return v >= 0 && v <= 255; };
    const bool has255 = l.r == 255 || l.g == 255 || l.b == 255;
    const bool has0 = l.r == 0 || l.g == 0 || l.b == 0;
    return inRange(l.r) && inRange(l.g) && inRange(l.b) && has255 && has0;
}

// Covers the whole surface with a colour no primitive here draws, so black points count.
constexpr int32_t Unpainted = 0x030201;

void paintBackground(platform::DrawingSurface& pic) {
    const int16_t style = pic.FillStyle();
    const int32_t fill = pic.FillColor();
    pic.setFillStyle(platform::DrawingSurface::FillSolid);
    pic.setFillColor(Unpainted);
    pic.Circle(pic.ScaleWidth() / 2, pic.ScaleHeight() / 2, 1.0e6f);
    pic.setFillStyle(style);
    pic.setFillColor(fill);
}

} // namespace

TEST(TurnColour, StepsAlongTheEdgeOfTheWheel) {
    struct Case {
        Levels from;
        int16_t step;
        Levels to;
    };
    const Case cases[] = {
        {{255, 0, 0}, 10, {255, 10, 0}},
        {{255, 250, 0}, 10, {255, 255, 0}},
        {{255, 255, 0}, 10, {245, 255, 0}},
        {{5, 255, 0}, 10, {0, 255, 0}},
        {{0, 255, 0}, 5, {0, 255, 5}},
        {{0, 255, 255}, 5, {0, 250, 255}},
        {{0, 0, 255}, 5, {5, 0, 255}},
        {{255, 0, 255}, 5, {255, 0, 250}},
        {{255, 0, 0}, -8, {255, 0, 8}},
        {{0, 255, 0}, -8, {8, 255, 0}},
        {{248, 255, 0}, -8, {255, 255, 0}},
        {{255, 255, 0}, -3, {255, 252, 0}},
        {{255, 2, 0}, -3, {255, 0, 0}},
        {{0, 255, 255}, -8, {0, 255, 247}},
        {{0, 0, 255}, -8, {0, 8, 255}},
        {{255, 0, 255}, -8, {247, 0, 255}},
        // A change of sign mid-edge walks back along the same edge.
        {{250, 255, 0}, -8, {255, 255, 0}},
        {{250, 255, 0}, 10, {240, 255, 0}},
        // Off the edge, or no step: nothing moves.
        {{128, 128, 128}, 10, {128, 128, 128}},
        {{128, 128, 128}, -8, {128, 128, 128}},
        {{100, 200, 50}, 5, {100, 200, 50}},
        {{255, 0, 0}, 0, {255, 0, 0}},
        {{0, 255, 128}, 0, {0, 255, 128}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(turned(c.from, c.step), c.to) << "from " << c.from << " step " << c.step;
    }
}

TEST(TurnColour, WalksRoundTheWheelThroughTheCornersInOrder) {
    const std::array<Levels, 6> forwards = {
        {{255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}, {255, 0, 255}, {255, 0, 0}}};
    const std::array<Levels, 6> backwards = {
        {{255, 0, 255}, {0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}}};
    struct Case {
        int16_t step;
        int callsPerEdge; // ceil(255 / |step|): the last call of an edge is clamped
        const std::array<Levels, 6>& corners;
    };
    const Case cases[] = {{10, 26, forwards},
                          {5, 51, forwards},
                          {8, 32, forwards},
                          {-3, 85, backwards},
                          {-8, 32, backwards}};
    for (const Case& c : cases) {
        Levels l{255, 0, 0};
        for (std::size_t edge = 0; edge < c.corners.size(); ++edge) {
            for (int i = 0; i < c.callsPerEdge; ++i) {
                ASSERT_NE(l, c.corners[edge]) << "corner reached early, step " << c.step;
                l = turned(l, c.step);
            }
            EXPECT_EQ(l, c.corners[edge]) << "step " << c.step << " edge " << edge;
        }
    }
}

TEST(TurnColour, AnyMixOfTheEffectsStepsStaysOnTheEdge) {
    const int16_t steps[] = {10, 5, 8, -3, -8};
    std::mt19937 gen(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(steps) - 1);
    std::vector<Levels> starts;
    for (int v = 0; v <= 255; ++v) {
        const auto x = static_cast<int16_t>(v);
        starts.insert(
            starts.end(),
            {{255, x, 0}, {x, 255, 0}, {0, 255, x}, {0, x, 255}, {x, 0, 255}, {255, 0, x}});
    }
    for (const Levels& start : starts) {
        Levels l = start;
        for (int i = 0; i < 300; ++i) {
            const int16_t step = steps[pick(gen)];
            const Levels before = l;
            l = turned(l, step);
            ASSERT_TRUE(onEdge(l)) << before << " step " << step << " gave " << l;
        }
    }
}

TEST(DrawShadedLine, DarkensUpwardsAndBrightensDownwardsPointByPoint) {
    struct Case {
        Levels colour;
        int above; // points above the centre, the last one black
        int below; // points below the centre, the last one white
    };
    const Case cases[] = {
        {{255, 0, 0}, 255, 5 + 255},   {{0, 0, 0}, 0, 5 + 255},
        {{255, 255, 255}, 255, 5},     {{255, 128, 0}, 255, 5 + 255},
        {{0, 200, 255}, 255, 5 + 255}, {{255, 255, 100}, 255, 5 + 155},
    };
    for (const Case& c : cases) {
        FakeHost host(QSize(3, 800));
        FormState& s = host.state();
        platform::DrawingSurface& pic = host.MyPic();
        paintBackground(pic);
        s.X1 = 1;
        s.Y1 = 400;
        s.Y2 = 380;
        s.RedLevel = c.colour.r;
        s.GreenLevel = c.colour.g;
        s.BlueLevel = c.colour.b;

        DrawShadedLine(host);

        int painted = 0;
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < 800; ++y) {
            if (pic.pixel(1, y) != Unpainted) {
                ++painted;
                top = top < 0 ? y : top;
                bottom = y;
            }
            EXPECT_EQ(pic.pixel(0, y), Unpainted);
        }
        const int32_t centre = RGB(c.colour.r, c.colour.g, c.colour.b);
        EXPECT_EQ(painted, 1 + c.above + c.below) << c.colour;
        EXPECT_EQ(pic.pixel(1, 390), centre) << c.colour;
        // The five points just below the centre keep the colour itself.
        EXPECT_EQ(pic.pixel(1, static_cast<int>(390 + 5 * 1.5)), centre) << c.colour;
        EXPECT_EQ(top, static_cast<int>(390 - 1.5 * c.above)) << c.colour;
        EXPECT_EQ(bottom, static_cast<int>(390 + 1.5 * c.below)) << c.colour;
        if (c.above > 0) {
            EXPECT_EQ(pic.pixel(1, top), 0) << c.colour;
        }
        EXPECT_EQ(pic.pixel(1, bottom), c.below > 5 ? RGB(255, 255, 255) : centre) << c.colour;
        EXPECT_EQ(Levels({s.RedLevel, s.GreenLevel, s.BlueLevel}), c.colour);
    }
}

TEST(DrawShadedLine, LevelsOutsideTheirRangeStillEnd) {
    FakeHost host(QSize(3, 800));
    FormState& s = host.state();
    paintBackground(host.MyPic());
    s.X1 = 1;
    s.Y1 = 390;
    s.Y2 = 390;
    s.RedLevel = 300;
    s.GreenLevel = -5;
    s.BlueLevel = 0;

    DrawShadedLine(host);

    int painted = 0;
    for (int y = 0; y < 800; ++y) {
        painted += host.MyPic().pixel(1, y) != Unpainted ? 1 : 0;
    }
    EXPECT_EQ(painted, 1 + 255 + 5 + 255);
    EXPECT_EQ(s.RedLevel, 300);
    EXPECT_EQ(s.GreenLevel, -5);
}

TEST(DrawBall, LeavesSolidFillPenWidthTwoAndTheCurrentColour) {
    FakeHost host;
    FormState& s = host.state();
    s.RedLevel = 0;
    s.GreenLevel = 255;
    s.BlueLevel = 40;
    ScriptedNumbers rnd({0.5f, 0.99999994f, 0.0f});

    DrawBall(host, 100, 200);

    platform::DrawingSurface& pic = host.MyPic();
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
    EXPECT_EQ(pic.ForeColor(), RGB(0, 255, 40));
    EXPECT_EQ(pic.FillColor(), RGB(128, 255, 0));
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillSolid);
    EXPECT_EQ(pic.DrawWidth(), 2);
    EXPECT_EQ(pic.pixel(100, 200), RGB(128, 255, 0));
    // Radius 5.94 on a surface 594 high: nothing at 9 pixels.
    EXPECT_EQ(pic.pixel(109, 200), 0);
}

TEST(DrawLine, JoinsTheBallsOverTheirCentres) {
    FakeHost host;
    FormState& s = host.state();
    s.RedLevel = 255;
    s.GreenLevel = 0;
    s.BlueLevel = 100;
    s.X1 = 100;
    s.Y1 = 100;
    s.X2 = 300;
    s.Y2 = 100;
    ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.25f, 0.25f, 0.25f});

    DrawLine(host);

    platform::DrawingSurface& pic = host.MyPic();
    const int32_t colour = RGB(255, 0, 100);
    EXPECT_EQ(rnd.numbers().reseeds(), 2u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(pic.FillColor(), RGB(64, 64, 64));
    EXPECT_EQ(pic.pixel(100, 100), colour);
    EXPECT_EQ(pic.pixel(200, 100), colour);
    EXPECT_EQ(pic.pixel(300, 100), colour);
    EXPECT_EQ(pic.pixel(100, 103), RGB(128, 128, 128));
    EXPECT_EQ(pic.pixel(300, 103), RGB(64, 64, 64));
}

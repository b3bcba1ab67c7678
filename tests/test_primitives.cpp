#include "effects/Primitives.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::RGB;

TEST(TurnColour, StepsAlongTheEdgeOfTheWheel) {
    struct Case {
        int16_t r, g, b, step;
        int32_t to;
    };
    // Forwards and backwards round every edge, stopping at the corners; a change of sign
    // mid-edge walks back along the same edge; off the edge, or with no step, nothing moves.
    const Case cases[] = {
        {255, 0, 0, 10, RGB(255, 10, 0)},        {255, 250, 0, 10, RGB(255, 255, 0)},
        {255, 255, 0, 10, RGB(245, 255, 0)},     {5, 255, 0, 10, RGB(0, 255, 0)},
        {0, 255, 0, 5, RGB(0, 255, 5)},          {0, 255, 255, 5, RGB(0, 250, 255)},
        {0, 0, 255, 5, RGB(5, 0, 255)},          {255, 0, 255, 5, RGB(255, 0, 250)},
        {255, 0, 0, -8, RGB(255, 0, 8)},         {0, 255, 0, -8, RGB(8, 255, 0)},
        {248, 255, 0, -8, RGB(255, 255, 0)},     {255, 255, 0, -3, RGB(255, 252, 0)},
        {255, 2, 0, -3, RGB(255, 0, 0)},         {0, 255, 255, -8, RGB(0, 255, 247)},
        {0, 0, 255, -8, RGB(0, 8, 255)},         {255, 0, 255, -8, RGB(247, 0, 255)},
        {250, 255, 0, -8, RGB(255, 255, 0)},     {250, 255, 0, 10, RGB(240, 255, 0)},
        {128, 128, 128, 10, RGB(128, 128, 128)}, {100, 200, 50, -8, RGB(100, 200, 50)},
        {255, 0, 0, 0, RGB(255, 0, 0)}};
    for (Case c : cases) {
        TurnColour(c.r, c.g, c.b, c.step);
        EXPECT_EQ(RGB(c.r, c.g, c.b), c.to) << "step " << c.step;
    }
}

TEST(DrawShadedLine, LevelsOutOfRangeAreTakenAsTheirLimitsAndTheColumnEnds) {
    // 255 points darkening above the centre, five of the colour and 255 brightening below.
    testing_support::FakeHost host(QSize(3, 800));
    FormState& s = host.state();
    s.X1 = 1, s.Y1 = 400, s.Y2 = 380;
    s.RedLevel = 300, s.GreenLevel = -5, s.BlueLevel = 0;

    DrawShadedLine(host);

    const auto& pic = host.MyPic();
    EXPECT_EQ(pic.pixel(1, 390), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(1, 397), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(1, 390 - 254 * 3 / 2), RGB(1, 0, 0));
    EXPECT_EQ(pic.pixel(1, 390 + 259 * 3 / 2), RGB(255, 254, 254));
    EXPECT_EQ(pic.pixel(1, 390 + 260 * 3 / 2), RGB(255, 255, 255));
    EXPECT_EQ(pic.pixel(1, 390 + 260 * 3 / 2 + 2), 0);
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(300, -5, 0));
}

TEST(LightColour, NeverDarkAndHalvesRoundToEven) {
    const std::pair<std::vector<float>, int32_t> cases[] = {
        {{0, 0, 0}, RGB(63, 63, 63)},
        {{0.99999994f, 0.99999994f, 0.99999994f}, RGB(255, 255, 255)},
        {{0.0078125f, 0.0234375f, 0.25f}, RGB(64, 68, 111)}}; // 64.5, 67.5, 111
    for (const auto& [draws, colour] : cases) {
        testing_support::ScriptedNumbers rnd(draws);
        EXPECT_EQ(LightColour(), colour);
    }
}

#include "effects/Effects.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;

namespace {

bool colourNear(const platform::DrawingSurface& pic, int x, int y, int32_t colour) {
    for (int j = y - 1; j <= y + 1; ++j) {
        for (int i = x - 1; i <= x + 1; ++i) {
            if (pic.pixel(i, j) == colour) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(JaggedMaze, StartPicksPointLightColourAndExtentsWithoutANote) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300));
    // 1/128 and 3/128 land on halves: 64.5 and 67.5 round to the even neighbour.
    ScriptedNumbers rnd({0.25f, 0.5f, 0.0078125f, 0.0234375f, 0.99999994f, 0.5f, 0.0f});
    JaggedMaze maze(host);

    maze.cmdJagged_Click();

    const FormState& s = host.state();
    const platform::DrawingSurface& pic = host.MyPic();
    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Jagged Maze to tune Chromatic");
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
    EXPECT_FLOAT_EQ(s.X1, 100.0f);
    EXPECT_FLOAT_EQ(s.Y1, 150.0f);
    EXPECT_EQ(s.PenColour, RGB(64, 68, 255));
    EXPECT_FLOAT_EQ(s.DX1, 175.0f);
    EXPECT_FLOAT_EQ(s.DY1, 50.0f);
    EXPECT_EQ(pic.DrawWidth(), 2);
    EXPECT_EQ(pic.CurrentX(), s.X1);
    EXPECT_EQ(pic.CurrentY(), s.Y1);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::JaggedTimer));
    EXPECT_EQ(host.playNoteCalls, 0);
}

TEST(JaggedMaze, SegmentsAreDiagonalWithRandomExtentsAndSigns) {
    struct Case {
        float dx, dy, signX, signY;
        float expectedDx, expectedDy;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f, 50, 50},
        {0.99999994f, 0.99999994f, 0.49999997f, 0.49999997f, 300, 200},
        {0.5f, 0.5f, 0.5f, 0.0f, -175, 125},
        {0.2f, 0.6f, 0.0f, 0.75f, 100, -140},
        {0.4f, 0.2f, 0.99999994f, 0.5f, -150, -80},
    };
    for (const Case& c : cases) {
        OpenRecorder midi;
        FakeHost host(QSize(1000, 1000));
        ScriptedNumbers rnd(
            {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, c.dx, c.dy, c.signX, c.signY});
        JaggedMaze maze(host);
        maze.cmdJagged_Click();
        const FormState& s = host.state();
        const platform::DrawingSurface& pic = host.MyPic();
        const int32_t colour = s.PenColour;

        maze.JaggedTimer_Timer();

        EXPECT_NEAR(s.DX1, c.expectedDx, 1e-3) << c.dx;
        EXPECT_NEAR(s.DY1, c.expectedDy, 1e-3) << c.dx;
        EXPECT_EQ(pic.CurrentX(), 500 + s.DX1) << c.dx;
        EXPECT_EQ(pic.CurrentY(), 500 + s.DY1) << c.dx;
        EXPECT_EQ(rnd.numbers().reseeds(), 2u);
        EXPECT_EQ(rnd.numbers().overruns(), 0u);
        EXPECT_EQ(host.playNoteCalls, 1);
        // The first segment starts at the start point itself and runs diagonally.
        EXPECT_EQ(pic.pixel(500, 500), colour) << c.dx;
        const float t = 40.0f / std::abs(s.DX1);
        EXPECT_TRUE(colourNear(pic, static_cast<int>(std::lround(500 + t * s.DX1)),
                               static_cast<int>(std::lround(500 + t * s.DY1)), colour))
            << c.dx;
        EXPECT_EQ(pic.pixel(540, 500), 0);
        EXPECT_EQ(pic.pixel(500, 540), 0);
    }
}

TEST(JaggedMaze, ThePathEndsOnlyStrictlyBeyondAnEdge) {
    struct Case {
        float penX, penY;
        float signX, signY; // 0 keeps the extent positive, 0.5 turns it negative
        bool restarts;
    };
    // Surface 400 x 300; every segment here is 50 x 50.
    const Case cases[] = {
        {350, 100, 0.0f, 0.0f, false}, {351, 100, 0.0f, 0.0f, true},
        {50, 100, 0.5f, 0.0f, false},  {49.5f, 100, 0.5f, 0.0f, true},
        {100, 250, 0.0f, 0.0f, false}, {100, 250.25f, 0.0f, 0.0f, true},
        {100, 50, 0.0f, 0.5f, false},  {100, 49.75f, 0.0f, 0.5f, true},
        {200, 150, 0.5f, 0.5f, false},
    };
    for (const Case& c : cases) {
        OpenRecorder midi;
        FakeHost host(QSize(400, 300));
        ScriptedNumbers rnd(
            {0.0f, 0.0f, c.signX, c.signY, 0.75f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
        host.MyPic().setCurrentX(c.penX);
        host.MyPic().setCurrentY(c.penY);
        host.setTimerEnabled(EffectTimer::JaggedTimer, true);
        JaggedMaze maze(host);

        maze.JaggedTimer_Timer();

        const std::string label = std::to_string(c.penX) + ", " + std::to_string(c.penY);
        const platform::DrawingSurface& pic = host.MyPic();
        EXPECT_TRUE(host.timerEnabled(EffectTimer::JaggedTimer)) << label;
        if (c.restarts) {
            EXPECT_EQ(rnd.numbers().reseeds(), 2u) << label;
            EXPECT_EQ(rnd.numbers().overruns(), 0u) << label;
            EXPECT_FLOAT_EQ(pic.CurrentX(), 300.0f) << label;
            EXPECT_FLOAT_EQ(pic.CurrentY(), 75.0f) << label;
            EXPECT_TRUE(host.caption().contains("Jagged Maze")) << label;
        } else {
            EXPECT_EQ(rnd.numbers().reseeds(), 1u) << label;
            EXPECT_EQ(rnd.numbers().drawn(), 4u) << label;
            EXPECT_EQ(pic.CurrentX(), c.penX + (c.signX > 0 ? -50 : 50)) << label;
            EXPECT_EQ(pic.CurrentY(), c.penY + (c.signY > 0 ? -50 : 50)) << label;
        }
    }
}

TEST(JaggedMaze, ALongWalkStaysOnTheSurfaceAndJoinsItsSegments) {
    OpenRecorder midi;
    FakeHost host(QSize(700, 500));
    JaggedMaze maze(host);
    maze.cmdJagged_Click();
    const FormState& s = host.state();
    const platform::DrawingSurface& pic = host.MyPic();
    int restarts = 0;
    bool sawLeft = false;
    bool sawUp = false;
    for (int i = 0; i < 3000; ++i) {
        const float px = pic.CurrentX();
        const float py = pic.CurrentY();
        const float startX = s.X1;
        const float startY = s.Y1;
        maze.JaggedTimer_Timer();
        if (s.X1 != startX || s.Y1 != startY) {
            // A new path from its own start point, extents positive.
            ++restarts;
            ASSERT_EQ(pic.CurrentX(), s.X1);
            ASSERT_EQ(pic.CurrentY(), s.Y1);
            ASSERT_GT(s.DX1, 0.0f);
            ASSERT_GT(s.DY1, 0.0f);
        } else {
            ASSERT_EQ(pic.CurrentX(), px + s.DX1);
            ASSERT_EQ(pic.CurrentY(), py + s.DY1);
            sawLeft = sawLeft || s.DX1 < 0;
            sawUp = sawUp || s.DY1 < 0;
        }
        const float x = pic.CurrentX();
        const float y = pic.CurrentY();
        ASSERT_TRUE(x >= 0 && x <= 700 && y >= 0 && y <= 500) << x << ", " << y;
        ASSERT_GE(std::abs(s.DX1), 50.0f);
        ASSERT_LT(std::abs(s.DX1), 300.0f);
        ASSERT_GE(std::abs(s.DY1), 50.0f);
        ASSERT_LT(std::abs(s.DY1), 200.0f);
    }
    EXPECT_GT(restarts, 100);
    EXPECT_TRUE(sawLeft);
    EXPECT_TRUE(sawUp);
    EXPECT_EQ(playedNotes(midi.log()).size(), 3000u);
}

// What the Effects do that a user sees and hears.
#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;
using B = EffectButton;
using T = EffectTimer;

TEST(Effects, EachTickPlaysOneNoteAndSweepsStopPastTheRightEdge) {
    const B buttons[] = {B::cmdEinsteinWaves, B::cmdRainbow,    B::cmdShadedRainbow,
                         B::cmdJagged,        B::CmdBlackHoles, B::cmdWash,
                         B::cmdExplodingSuns, B::cmdSineWaver,  B::cmdTrig}; // timers' order
    for (int t = 0; t < EffectTimerCount; ++t) {
        const auto timer = T(t);
        SCOPED_TRACE(testing::Message() << "timer " << t);
        const bool sweeps = timer == T::RainTimer || timer == T::ShadedRainTimer;
        OpenRecorder midi;
        // Sweeps step 5 pixels from x = 5: the fourth stroke lands on the edge and goes on.
        FakeHost host(QSize(25, 80));
        Effects effects(host);
        effects.click(buttons[t]);
        for (int i = 1; i <= 5; ++i) {
            const std::size_t before = playedNotes(midi.log()).size();
            effects.tick(timer);
            EXPECT_EQ(playedNotes(midi.log()).size(), before + 1);
            EXPECT_EQ(midi.log().soundingNotes().size(), 1u);
            EXPECT_EQ(host.timerEnabled(timer), !sweeps || i < 5) << "tick " << i;
        }
    }
}

TEST(BlackHoles, HolesAreFilledBlackOnlyWhileAnotherEffectLeftTheFillSolid) {
    // Einstein Waves' balls leave it solid, Exploding Suns clear.
    for (bool solid : {false, true}) {
        FakeHost host;
        Effects effects(host);
        auto& pic = host.MyPic();
        pic.setFillStyle(solid ? platform::DrawingSurface::FillSolid
                               : platform::DrawingSurface::FillTransparent);
        pic.PSet(512, 297, 0xFFFFFF);
        ScriptedNumbers rnd(std::vector<float>(10, 0.5f)); // a hole in the middle
        effects.click(B::CmdBlackHoles);
        effects.tick(T::CircleTimer);
        EXPECT_EQ(pic.pixel(512, 297), solid ? 0 : 0xFFFFFF);
    }
}

// Spectral Flood and Einstein Waves step two points that bounce off the edges.
TEST(BouncingPoints, TurnOnlyBeyondAnEdgeAndWhileHeadingOut) {
    enum Coordinate { X1, Y1, X2, Y2 };
    struct Case {
        Coordinate which;
        float from, step, to, stepAfter;
    };
    // Surface 100 x 80. A point left outside (a shrunk window, another Effect's big step)
    // turns once while heading out, then comes straight back.
    const Case cases[] = {{X1, 95, 5, 100, 5},   {X1, 96, 5, 96, -5},      {X1, 5, -5, 0, -5},
                          {X1, 4, -5, 4, 5},     {Y1, 79, 2, 79, -2},      {Y2, 0.5f, -1, 0.5f, 1},
                          {X1, -50, 2, -48, 2},  {Y1, 520, -2, 518, -2},   {X1, -50, -2, -50, 2},
                          {Y2, 520, 2, 520, -2}, {X2, 99.5f, 1, 99.5f, -1}};
    for (T timer : {T::WashTimer, T::MyTimer}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << int(timer) << ", " << c.which << " from " << c.from);
            OpenRecorder midi;
            FakeHost host(QSize(100, 80));
            FormState& s = host.state();
            float* position[] = {&s.X1, &s.Y1, &s.X2, &s.Y2};
            float* step[] = {&s.DX1, &s.DY1, &s.DX2, &s.DY2};
            for (int i = 0; i < 4; ++i) {
                *position[i] = i == c.which ? c.from : 25;
                *step[i] = i == c.which ? c.step : 0;
            }
            ScriptedNumbers rnd(std::vector<float>(8, 0.5f));
            Effects(host).tick(timer);
            EXPECT_FLOAT_EQ(*position[c.which], c.to);
            EXPECT_EQ(*step[c.which], c.stepAfter);
        }
    }
}

TEST(DrawShadedLine, LevelsOutOfRangeAreTakenAsTheirLimitsAndTheColumnEnds) {
    // 255 points darkening above the centre, five of the colour and 255 brightening below.
    FakeHost host(QSize(3, 800));
    FormState& s = host.state();
    s.X1 = 1, s.Y1 = 400, s.Y2 = 380;
    s.RedLevel = 300, s.GreenLevel = -5, s.BlueLevel = 0;
    DrawShadedLine(host);
    const auto& pic = host.MyPic();
    EXPECT_EQ(pic.pixel(1, 390), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(1, 390 - 254 * 3 / 2), RGB(1, 0, 0));
    EXPECT_EQ(pic.pixel(1, 390 + 260 * 3 / 2), RGB(255, 255, 255));
    EXPECT_EQ(pic.pixel(1, 390 + 260 * 3 / 2 + 2), 0);
}

#include "effects/Effects.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;

namespace {

// The draws of one Einstein Waves start: four speeds, then X1, Y1, X2, Y2.
const std::vector<float> WavesStart = {0.1f, 0.2f, 0.3f, 0.4f, 0.25f, 0.5f, 0.75f, 0.1f};
// The draws of one Black Holes start: instrument, centre, colour, radius.
const std::vector<float> HolesStart = {0.5f, 0.9f, 0.8f, 0.0f, 0.0f, 0.0f, 0.5f};

std::vector<float> joined(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(EinsteinWaves, StartDrawsSpeedsThenPointsAndNothingElse) {
    OpenRecorder midi;
    FakeHost host(QSize(1000, 500));
    platform::DrawingSurface& pic = host.MyPic();
    pic.setDrawWidth(4);
    pic.setFillStyle(platform::DrawingSurface::FillTransparent);
    ScriptedNumbers rnd(WavesStart);
    EinsteinWaves waves(host);

    waves.cmdEinsteinWaves_Click();

    const FormState& s = host.state();
    EXPECT_EQ(host.caption(),
              "Zelphor Version 1.0 Rev 24 showing Einstein Waves to tune Chromatic");
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
    EXPECT_FLOAT_EQ(s.DX1, 7.0f);  // (0.1 * 20 + 5) * 10 / 10
    EXPECT_FLOAT_EQ(s.DX2, 4.5f);  // (0.2 * 20 + 5) * 5 / 10
    EXPECT_FLOAT_EQ(s.DY1, 5.5f);  // (0.3 * 20 + 5) * 5 / 10
    EXPECT_FLOAT_EQ(s.DY2, 3.25f); // (0.4 * 20 + 5) * 2.5 / 10
    EXPECT_FLOAT_EQ(s.X1, 250.0f);
    EXPECT_FLOAT_EQ(s.Y1, 250.0f);
    EXPECT_FLOAT_EQ(s.X2, 750.0f);
    EXPECT_FLOAT_EQ(s.Y2, 50.0f);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::MyTimer));
    EXPECT_EQ(host.playNoteCalls, 0);
    EXPECT_EQ(pic.DrawWidth(), 4);
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillTransparent);
}

TEST(EinsteinWaves, SpeedsLieWithinTheirRanges) {
    struct Case {
        QSize size;
        float draw;
    };
    const Case cases[] = {{{1024, 594}, 0.0f},
                          {{1024, 594}, 0.99999994f},
                          {{200, 1000}, 0.0f},
                          {{200, 1000}, 0.99999994f},
                          {{37, 11}, 0.5f}};
    for (const Case& c : cases) {
        FakeHost host(c.size);
        ScriptedNumbers rnd(std::vector<float>(8, c.draw));
        EinsteinWaves waves(host);
        waves.cmdEinsteinWaves_Click();
        const FormState& s = host.state();
        const float w = static_cast<float>(c.size.width());
        const float h = static_cast<float>(c.size.height());
        EXPECT_GE(s.DX1, w / 200) << c.draw;
        EXPECT_LT(s.DX1, w / 40) << c.draw;
        EXPECT_GE(s.DY1, h / 200) << c.draw;
        EXPECT_LT(s.DY1, h / 40) << c.draw;
        EXPECT_GE(s.DX2, w / 400) << c.draw;
        EXPECT_LT(s.DX2, w / 80) << c.draw;
        EXPECT_GE(s.DY2, h / 400) << c.draw;
        EXPECT_LT(s.DY2, h / 80) << c.draw;
        EXPECT_GE(s.X1, 0.0f);
        EXPECT_LT(s.X1, w);
        EXPECT_GE(s.Y2, 0.0f);
        EXPECT_LT(s.Y2, h);
    }
}

TEST(EinsteinWaves, PointsBounceOnlyWhenStrictlyBeyondAnEdge) {
    enum Coordinate { X1, Y1, X2, Y2 };
    struct Case {
        Coordinate which;
        float from, step;
        float to, stepAfter;
    };
    // Surface 100 x 50.
    const Case cases[] = {
        {X1, 95, 5, 100, 5}, {X1, 96, 5, 96, -5},       {X1, 5, -5, 0, -5}, {X1, 4, -5, 4, 5},
        {Y1, 45, 5, 50, 5},  {Y1, 47, 5, 47, -5},       {Y1, 2, -2, 0, -2}, {Y1, 1, -2, 1, 2},
        {X2, 99, 1, 100, 1}, {X2, 99.5f, 1, 99.5f, -1}, {X2, 1, -1, 0, -1}, {X2, 0.5f, -1, 0.5f, 1},
        {Y2, 49, 1, 50, 1},  {Y2, 49.5f, 1, 49.5f, -1}, {Y2, 1, -1, 0, -1}, {Y2, 0.5f, -1, 0.5f, 1},
    };
    for (const Case& c : cases) {
        OpenRecorder midi;
        FakeHost host(QSize(100, 50));
        FormState& s = host.state();
        float* position[] = {&s.X1, &s.Y1, &s.X2, &s.Y2};
        float* step[] = {&s.DX1, &s.DY1, &s.DX2, &s.DY2};
        for (int i = 0; i < 4; ++i) {
            *position[i] = 25;
            *step[i] = 0;
        }
        *position[c.which] = c.from;
        *step[c.which] = c.step;
        s.Instrument = 7;
        const bool firstPointBounces = (c.which == X1 || c.which == Y1) && c.stepAfter != c.step;
        // A new instrument comes first, then the two balls' fill colours.
        std::vector<float> draws(6, 0.5f);
        if (firstPointBounces) {
            draws.insert(draws.begin(), 0.9f);
        }
        ScriptedNumbers rnd(draws);
        EinsteinWaves waves(host);

        waves.MyTimer_Timer();

        const std::string label =
            "coordinate " + std::to_string(c.which) + " from " + std::to_string(c.from);
        EXPECT_FLOAT_EQ(*position[c.which], c.to) << label;
        EXPECT_EQ(*step[c.which], c.stepAfter) << label;
        EXPECT_EQ(s.Instrument, firstPointBounces ? 72 : 7) << label;
        EXPECT_EQ(rnd.numbers().overruns(), 0u) << label;
        EXPECT_EQ(rnd.numbers().remaining(), 0u) << label;
        EXPECT_EQ(playedNotes(midi.log()).size(), 1u) << label;
    }
}

TEST(EinsteinWaves, EachTickTurnsTheColourPlaysAndDrawsTheBallEndedLine) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300));
    FormState& s = host.state();
    s.RedLevel = 255;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
    s.X1 = 95;
    s.Y1 = 100;
    s.X2 = 295;
    s.Y2 = 100;
    s.DX1 = 5;
    s.DY1 = 0;
    s.DX2 = 5;
    s.DY2 = 0;
    s.TuneIndex = 3;
    ScriptedNumbers rnd(std::vector<float>(6, 0.5f));
    EinsteinWaves waves(host);

    waves.MyTimer_Timer();

    const int32_t colour = RGB(255, 5, 0);
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), colour);
    EXPECT_EQ(host.MyPic().pixel(200, 100), colour);
    EXPECT_EQ(host.MyPic().FillStyle(), platform::DrawingSurface::FillSolid);
    EXPECT_EQ(host.MyPic().DrawWidth(), 2);
    ASSERT_EQ(playedNotes(midi.log()).size(), 1u);
    EXPECT_EQ(playedNotes(midi.log()).back(), static_cast<int>(s.CurrentTune.at(3)));
    EXPECT_EQ(s.TuneIndex, 4);
    EXPECT_EQ(rnd.numbers().reseeds(), 2u);
}

TEST(GalacticSatellites, StartsBothEffectsAndLeavesTheFirstPointAtTheBlackHole) {
    OpenRecorder midi;
    FakeHost host(QSize(1000, 500));
    ScriptedNumbers rnd(joined(WavesStart, HolesStart));
    Effects effects(host);

    effects.click(EffectButton::cmdGalactic);

    const FormState& s = host.state();
    EXPECT_EQ(host.pauses, std::vector<int16_t>{100});
    EXPECT_TRUE(host.timerEnabled(EffectTimer::MyTimer));
    EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Black Holes to tune Chromatic");
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
    EXPECT_FLOAT_EQ(s.X1, 900.0f);
    EXPECT_FLOAT_EQ(s.Y1, 400.0f);
    EXPECT_FLOAT_EQ(s.X2, 750.0f);
    EXPECT_FLOAT_EQ(s.Y2, 50.0f);
    EXPECT_FLOAT_EQ(s.DX1, 7.0f);
}

TEST(GalacticSatellites, WavesTickingDuringThePauseKeepTheirSecondPointAndSteps) {
    OpenRecorder midi;
    FakeHost host;
    Effects effects(host);
    FormState& s = host.state();
    FormState during;
    host.duringPause = [&] {
        ASSERT_TRUE(host.timerEnabled(EffectTimer::MyTimer));
        ASSERT_FALSE(host.timerEnabled(EffectTimer::CircleTimer));
        for (int i = 0; i < 3; ++i) {
            effects.tick(EffectTimer::MyTimer);
        }
        during.X1 = s.X1;
        during.Y1 = s.Y1;
        during.X2 = s.X2;
        during.Y2 = s.Y2;
        during.DX1 = s.DX1;
        during.DY2 = s.DY2;
    };

    effects.click(EffectButton::cmdGalactic);

    EXPECT_EQ(s.X2, during.X2);
    EXPECT_EQ(s.Y2, during.Y2);
    EXPECT_EQ(s.DX1, during.DX1);
    EXPECT_EQ(s.DY2, during.DY2);
    EXPECT_NE(s.X1, during.X1);
    EXPECT_NE(s.Y1, during.Y1);
    EXPECT_EQ(playedNotes(midi.log()).size(), 3u);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
}

TEST(GalacticSatellites, AWindowClosedDuringThePauseStartsNoBlackHole) {
    OpenRecorder midi;
    FakeHost host;
    ScriptedNumbers rnd(joined(WavesStart, HolesStart));
    host.duringPause = [&] { host.unloaded_ = true; };
    Effects effects(host);

    effects.click(EffectButton::cmdGalactic);

    EXPECT_FALSE(host.timerEnabled(EffectTimer::CircleTimer));
    EXPECT_EQ(host.caption(),
              "Zelphor Version 1.0 Rev 24 showing Einstein Waves to tune Chromatic");
    EXPECT_EQ(rnd.numbers().drawn(), WavesStart.size());
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_TRUE(playedNotes(midi.log()).empty());
}

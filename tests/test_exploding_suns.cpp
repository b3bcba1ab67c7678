#include "effects/Effects.h"
#include "music/Tunes.h"
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

const int32_t Yellow = RGB(255, 255, 0);

int lastProgram(const platform::MidiRecording& log) {
    int program = -1;
    for (uint32_t m : log.shortMessages()) {
        if ((m & 0xF0) == 0xC0) {
            program = static_cast<int>((m >> 8) & 0xFF);
        }
    }
    return program;
}

// True when some pixel of the box around (x, y) has the colour.
bool colourNear(const platform::DrawingSurface& pic, int x, int y, int reach, int32_t colour) {
    for (int j = y - reach; j <= y + reach; ++j) {
        for (int i = x - reach; i <= x + reach; ++i) {
            if (pic.pixel(i, j) == colour) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(ExplodingSuns, StartsAYellowSunAndTheTuneFromItsFirstNote) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300));
    FormState& s = host.state();
    s.TuneIndex = 7;
    s.RedLevel = 0;
    s.GreenLevel = 0;
    s.BlueLevel = 255;
    host.selectedTune = 1;
    Tunes::LoadTune(s, 1);
    ScriptedNumbers rnd({0.25f, 0.5f, 0.5f});
    ExplodingSuns suns(host);

    suns.cmdExplodingSuns_Click();

    const platform::DrawingSurface& pic = host.MyPic();
    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Exploding Suns to tune Major");
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_FLOAT_EQ(s.X1, 100.0f);
    EXPECT_FLOAT_EQ(s.Y1, 150.0f);
    EXPECT_EQ(s.RedLevel, 255);
    EXPECT_EQ(s.GreenLevel, 255);
    EXPECT_EQ(s.BlueLevel, 0);
    EXPECT_EQ(s.PenColour, Yellow);
    EXPECT_EQ(s.Radius, 10.0f);
    EXPECT_EQ(s.Instrument, 40);
    EXPECT_EQ(lastProgram(midi.log()), 40);
    EXPECT_EQ(host.playNoteCalls, 1);
    ASSERT_EQ(playedNotes(midi.log()).size(), 1u);
    EXPECT_EQ(playedNotes(midi.log()).back(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_TRUE(host.timerEnabled(EffectTimer::ExplodeTimer));
    EXPECT_EQ(pic.DrawWidth(), 1);
    EXPECT_EQ(pic.DrawStyle(), platform::DrawingSurface::Dot);
    EXPECT_EQ(pic.FillColor(), Yellow);
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillTransparent);
    // A solid disc of radius 10.
    EXPECT_EQ(pic.pixel(100, 150), Yellow);
    EXPECT_EQ(pic.pixel(105, 147), Yellow);
    EXPECT_EQ(pic.pixel(115, 150), 0);
}

TEST(ExplodingSuns, RingsAreUnfilledOutlinesInTheTurnedColour) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300));
    ScriptedNumbers rnd({0.5f, 0.5f, 0.0f});
    ExplodingSuns suns(host);
    suns.cmdExplodingSuns_Click();
    FormState& s = host.state();
    s.Radius = 60;

    suns.ExplodeTimer_Timer();

    const platform::DrawingSurface& pic = host.MyPic();
    const int32_t ring = RGB(255, 252, 0);
    EXPECT_EQ(s.PenColour, ring);
    EXPECT_FLOAT_EQ(s.Radius, 63.0f);
    EXPECT_EQ(host.playNoteCalls, 2);
    EXPECT_EQ(pic.pixel(200, 150), Yellow);
    EXPECT_EQ(pic.pixel(230, 150), 0);
    EXPECT_EQ(pic.pixel(200, 120), 0);
    EXPECT_TRUE(colourNear(pic, 263, 150, 3, ring));
    EXPECT_TRUE(colourNear(pic, 200, 87, 3, ring));
}

TEST(ExplodingSuns, RingsGrowByAFifthOfATenthEachTick) {
    OpenRecorder midi;
    FakeHost host;
    ExplodingSuns suns(host);
    suns.cmdExplodingSuns_Click();
    const float x = host.state().X1;
    const float y = host.state().Y1;
    for (int n = 1; n <= 80; ++n) {
        suns.ExplodeTimer_Timer();
        const double expected = 10.0 * std::pow(1.05, n);
        ASSERT_NEAR(host.state().Radius, expected, expected * 1e-5) << "ring " << n;
        ASSERT_EQ(host.state().X1, x);
        ASSERT_EQ(host.state().Y1, y);
    }
}

TEST(ExplodingSuns, ANewSunStartsAfterTheFirstRingTallerThanTheSurface) {
    struct Case {
        int height;
        int rings; // the smallest n with 10 * 1.05^n > height
    };
    const Case cases[] = {{60, 37}, {100, 48}, {594, 84}, {9, 1}};
    for (const Case& c : cases) {
        OpenRecorder midi;
        FakeHost host(QSize(800, c.height));
        ExplodingSuns suns(host);
        suns.cmdExplodingSuns_Click();
        int ticks = 0;
        do {
            suns.ExplodeTimer_Timer();
            ++ticks;
        } while (host.state().Radius != 10.0f && ticks < 1000);
        EXPECT_EQ(ticks, c.rings) << "height " << c.height;
        EXPECT_TRUE(host.timerEnabled(EffectTimer::ExplodeTimer));
    }
}

TEST(ExplodingSuns, ARingExactlyAsTallAsTheSurfaceGoesOn) {
    OpenRecorder midi;
    FakeHost host(QSize(200, 21));
    ScriptedNumbers rnd({0.5f, 0.5f, 0.1f, 0.25f, 0.25f, 0.75f});
    ExplodingSuns suns(host);
    suns.cmdExplodingSuns_Click();
    FormState& s = host.state();
    s.Radius = 20;

    suns.ExplodeTimer_Timer();
    EXPECT_EQ(s.Radius, 21.0f);
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_NE(s.TuneIndex, 0);

    suns.ExplodeTimer_Timer();
    EXPECT_EQ(s.Radius, 10.0f);
    EXPECT_EQ(rnd.numbers().reseeds(), 2u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_FLOAT_EQ(s.X1, 50.0f);
    EXPECT_EQ(s.Instrument, 60);
}

TEST(ExplodingSuns, TheLastRingIsDrawnBeforeTheNextSunResetsEverything) {
    OpenRecorder midi;
    FakeHost host(QSize(600, 60));
    ScriptedNumbers rnd({0.5f, 0.5f, 0.1f, 0.1f, 0.5f, 0.5f});
    ExplodingSuns suns(host);
    suns.cmdExplodingSuns_Click();
    FormState& s = host.state();
    for (int i = 0; i < 5; ++i) {
        suns.ExplodeTimer_Timer();
    }
    const int16_t greenBefore = s.GreenLevel;
    ASSERT_LT(greenBefore, 255);
    s.Radius = 200;

    suns.ExplodeTimer_Timer();

    const int32_t lastRing = RGB(255, greenBefore - 3, 0);
    EXPECT_TRUE(colourNear(host.MyPic(), 510, 30, 3, lastRing));
    EXPECT_TRUE(colourNear(host.MyPic(), 90, 30, 3, lastRing));
    EXPECT_EQ(s.Radius, 10.0f);
    EXPECT_FLOAT_EQ(s.X1, 60.0f);
    EXPECT_FLOAT_EQ(s.Y1, 30.0f);
    EXPECT_EQ(s.RedLevel, 255);
    EXPECT_EQ(s.GreenLevel, 255);
    EXPECT_EQ(s.BlueLevel, 0);
    EXPECT_EQ(s.PenColour, Yellow);
    EXPECT_EQ(s.Instrument, 40);
    EXPECT_EQ(lastProgram(midi.log()), 40);
    EXPECT_EQ(playedNotes(midi.log()).back(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(host.MyPic().pixel(60, 30), Yellow);
    // The next ring starts again from yellow.
    suns.ExplodeTimer_Timer();
    EXPECT_EQ(s.PenColour, RGB(255, 252, 0));
}

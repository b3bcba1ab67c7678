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

// A colour no stroke or column here is drawn in, so black points count as drawn.
const int32_t Unpainted = RGB(1, 2, 3);

void paintBackground(platform::DrawingSurface& pic) {
    pic.setFillStyle(platform::DrawingSurface::FillSolid);
    pic.setFillColor(Unpainted);
    pic.Circle(pic.ScaleWidth() / 2, pic.ScaleHeight() / 2, 1.0e6f);
    pic.setFillStyle(platform::DrawingSurface::FillTransparent);
    pic.setFillColor(0);
}

int paintedInColumn(const platform::DrawingSurface& pic, int x) {
    int painted = 0;
    for (int y = 0; y < static_cast<int>(pic.ScaleHeight()); ++y) {
        painted += pic.pixel(x, y) != Unpainted ? 1 : 0;
    }
    return painted;
}

} // namespace

TEST(SaturatedRainbow, StrokesStepAcrossTheMiddleHalfAndStopPastTheRightEdge) {
    OpenRecorder midi;
    // A width that a stroke lands on exactly: that stroke does not end the band.
    FakeHost host(QSize(25, 80));
    FormState& s = host.state();
    s.RedLevel = 0;
    s.GreenLevel = 0;
    s.BlueLevel = 255;
    ScriptedNumbers rnd;
    SaturatedRainbow rainbow(host);

    rainbow.cmdRainbow_Click();

    const platform::DrawingSurface& pic = host.MyPic();
    EXPECT_EQ(host.caption(),
              "Zelphor Version 1.0 Rev 24 showing Saturated Rainbow to tune Chromatic");
    EXPECT_TRUE(host.timerEnabled(EffectTimer::RainTimer));
    EXPECT_EQ(host.playNoteCalls, 0);
    EXPECT_EQ(pic.DrawWidth(), 6);
    EXPECT_EQ(pic.ForeColor(), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(5, 21), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(5, 40), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(5, 59), RGB(255, 0, 0));
    EXPECT_EQ(pic.pixel(5, 10), 0);
    EXPECT_EQ(pic.pixel(5, 70), 0);

    std::vector<float> strokes;
    while (host.timerEnabled(EffectTimer::RainTimer) && strokes.size() < 100) {
        rainbow.RainTimer_Timer();
        strokes.push_back(s.X1);
        EXPECT_EQ(s.X2, s.X1);
        EXPECT_EQ(pic.ForeColor(), RGB(255, 8 * static_cast<int>(strokes.size()), 0));
    }
    EXPECT_EQ(strokes, (std::vector<float>{10, 15, 20, 25, 30}));
    EXPECT_EQ(host.playNoteCalls, 5);
    EXPECT_EQ(playedNotes(midi.log()).size(), 5u);
    EXPECT_EQ(pic.pixel(10, 40), RGB(255, 8, 0));
    EXPECT_EQ(pic.pixel(20, 40), RGB(255, 24, 0));
    EXPECT_EQ(pic.pixel(20, 10), 0);
    EXPECT_EQ(rnd.numbers().drawn(), 0u);
    EXPECT_EQ(rnd.numbers().reseeds(), 0u);

    // A new press starts again at the left edge from red.
    rainbow.cmdRainbow_Click();
    EXPECT_EQ(s.X1, 5.0f);
    EXPECT_EQ(s.GreenLevel, 0);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::RainTimer));
}

TEST(SaturatedRainbow, TheBandKeepsTheHeightItStartedWith) {
    OpenRecorder midi;
    FakeHost host(QSize(40, 80));
    SaturatedRainbow rainbow(host);
    rainbow.cmdRainbow_Click();
    host.MyPic().resize(QSize(30, 200));

    rainbow.RainTimer_Timer();

    EXPECT_EQ(host.state().Y1, 60.0f);
    EXPECT_EQ(host.state().Y2, 20.0f);
    EXPECT_EQ(host.MyPic().pixel(10, 100), 0);
    EXPECT_EQ(host.MyPic().pixel(10, 40), RGB(255, 8, 0));
}

TEST(Meteorites, ColumnsStartOneStepInAtTheFirstTurnedColour) {
    OpenRecorder midi;
    FakeHost host(QSize(25, 1000));
    platform::DrawingSurface& pic = host.MyPic();
    paintBackground(pic);
    FormState& s = host.state();
    s.GreenLevel = 255;
    ScriptedNumbers rnd;
    Meteorites meteorites(host);

    meteorites.cmdShadedRainbow_Click();

    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Meteorites to tune Chromatic");
    EXPECT_TRUE(host.timerEnabled(EffectTimer::ShadedRainTimer));
    EXPECT_EQ(host.playNoteCalls, 0);
    EXPECT_EQ(pic.DrawWidth(), 6);
    EXPECT_EQ(s.RedLevel, 255);
    EXPECT_EQ(s.GreenLevel, 0);
    EXPECT_EQ(s.BlueLevel, 0);
    EXPECT_EQ(paintedInColumn(pic, 5), 0);

    // Single-pixel points make the column countable.
    pic.setDrawWidth(1);
    std::vector<float> columns;
    while (host.timerEnabled(EffectTimer::ShadedRainTimer) && columns.size() < 100) {
        meteorites.ShadedRainTimer_Timer();
        columns.push_back(s.X1);
        EXPECT_EQ(s.X2, s.X1);
    }
    EXPECT_EQ(columns, (std::vector<float>{10, 15, 20, 25, 30}));
    EXPECT_EQ(playedNotes(midi.log()).size(), 5u);
    EXPECT_EQ(paintedInColumn(pic, 10), 1 + 255 + 5 + 255);
    EXPECT_EQ(pic.pixel(10, 500), RGB(255, 0, 8));
    EXPECT_EQ(pic.pixel(15, 500), RGB(255, 0, 16));
    EXPECT_EQ(paintedInColumn(pic, 5), 0);
    EXPECT_EQ(paintedInColumn(pic, 12), 0);
    EXPECT_EQ(rnd.numbers().drawn(), 0u);
    EXPECT_EQ(rnd.numbers().reseeds(), 0u);
}

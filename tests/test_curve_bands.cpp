#include "effects/Effects.h"
#include "platform/Random.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::ScriptedNumbers;

namespace {

constexpr int32_t Red = 0x0000FF;

struct BandNumbers {
    float driftX = 0.5f; // 0: no drift, so 2
    float driftY = 0.0f; // 1 per tick
    float level = 0.5f;  // DY2 = 0
    float slope = 0.5f;  // CurveSlope = 0
    std::vector<float> colours = {0.9f, 0.0f, 0.0f};
    float frequency = 0.0f; // 1
    float instrument = 0.5f;

    // In the order one activation draws them.
    std::vector<float> script() const {
        std::vector<float> v = {instrument, driftX, driftY, level, slope};
        v.insert(v.end(), colours.begin(), colours.end());
        v.push_back(frequency);
        return v;
    }
};

std::vector<float> operator+(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool columnIsDark(const platform::DrawingSurface& pic, int x) {
    for (int y = 0; y < pic.image().height(); ++y) {
        if (pic.pixel(x, y) != 0) {
            return false;
        }
    }
    return true;
}

struct BandKind {
    std::string name;
    QString button;
    EffectTimer timer;
    bool tangent;
};

void PrintTo(const BandKind& kind, std::ostream* os) {
    *os << kind.name;
}

// Either band behind one face, so each test runs for both.
class Band {
public:
    Band(EffectHost& host, bool tangent) : sines_(host), trig_(host), tangent_(tangent) {}
    void click() {
        if (tangent_) {
            trig_.cmdTrig_Click();
        } else {
            sines_.cmdSineWaver_Click();
        }
    }
    void tick() {
        if (tangent_) {
            trig_.TrigTimer_Timer();
        } else {
            sines_.SineTimer_Timer();
        }
    }

private:
    CosmicSines sines_;
    TrigonometricTrajectories trig_;
    bool tangent_;
};

class CurveBands : public testing::TestWithParam<BandKind> {
protected:
    void SetUp() override {
        for (EffectTimer t : {EffectTimer::SineTimer, EffectTimer::TrigTimer}) {
            host.setTimerEnabled(t, false);
        }
    }
    QString captionFor(const QString& tune) const {
        return "Zelphor Version 1.0 Rev 24 showing " + GetParam().button + " to tune " + tune;
    }

    OpenRecorder midi;
    FakeHost host;
    Band band{host, GetParam().tangent};
};

} // namespace

TEST_P(CurveBands, ActivationPlaysANoteAndDrawsTheFirstCurveAtOnce) {
    auto& pic = host.MyPic();
    pic.setDrawStyle(platform::DrawingSurface::Dot);
    pic.setDrawWidth(1);
    ScriptedNumbers rnd(BandNumbers{}.script());

    band.click();

    const FormState& s = host.state();
    EXPECT_EQ(host.caption(), captionFor("Chromatic"));
    EXPECT_TRUE(host.timerEnabled(GetParam().timer));
    EXPECT_EQ(host.playNoteCalls, 1);
    EXPECT_EQ(testing_support::playedNotes(midi.log()).size(), 1u);
    EXPECT_EQ(rnd.numbers().reseeds(), 2u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(pic.DrawWidth(), 5);
    EXPECT_EQ(pic.DrawStyle(), platform::DrawingSurface::Solid);
    EXPECT_EQ(s.Instrument, 40);
    EXPECT_EQ(s.DX1, 0.0f);
    EXPECT_EQ(s.DY1, 0.0f);
    EXPECT_EQ(s.CurveDriftX, 2.0f);
    EXPECT_EQ(s.CurveDriftY, 1.0f);
    EXPECT_EQ(s.CurveFrequency, 1.0f);
    // The curve starts at the left edge in the middle, in red, and ends at the right edge.
    EXPECT_EQ(pic.pixel(0, 297), Red);
    EXPECT_EQ(pic.pixel(1023, 297), Red);
    EXPECT_NEAR(s.X1, 1024.0f, 0.001f);
    EXPECT_NEAR(s.Y1, 297.0f, 0.001f);
    // Each curve has one colour; the next one is a step further round the wheel.
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(255, 10, 0));
}

TEST_P(CurveBands, SlowDriftsBecomeTwo) {
    // Float arithmetic gives exactly -1 and 1 for these two draws.
    ASSERT_EQ((1.0f / 3) * 6 - 3, -1.0f);
    ASSERT_EQ((2.0f / 3) * 6 - 3, 1.0f);
    struct Case {
        float draw;
        float drift;
    };
    const Case cases[] = {
        {0.5666667f, 2.0f}, {0.5f, 2.0f},  {0.3334f, 2.0f}, {1.0f / 3, -1.0f},
        {2.0f / 3, 1.0f},   {0.0f, -3.0f}, {0.3f, -1.2f},   {0.99999994f, 2.9999996f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.draw);
        BandNumbers n;
        n.driftX = c.draw;
        ScriptedNumbers rnd(n.script());
        band.click();
        EXPECT_FLOAT_EQ(host.state().CurveDriftX, c.drift);
    }
}

TEST_P(CurveBands, BlackAndWhiteColourDrawsAreRepeated) {
    struct Case {
        std::vector<float> draws;
        int32_t colour;
    };
    const Case cases[] = {
        {{0, 0, 0, 0.9f, 0.9f, 0.9f, 0.9f, 0, 0}, RGB(255, 0, 0)},
        {{0.9f, 0.9f, 0.9f, 0, 0, 0.9f}, RGB(0, 0, 255)},
        {{0, 0, 0, 0, 0, 0, 0, 0.9f, 0.9f}, RGB(0, 255, 255)},
        {{0, 0.9f, 0}, RGB(0, 255, 0)},
        {{0.9f, 0.9f, 0}, RGB(255, 255, 0)},
        {{0.9f, 0, 0.9f}, RGB(255, 0, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colour);
        host.MyPic().Cls();
        BandNumbers n;
        n.colours = c.draws;
        ScriptedNumbers rnd(n.script());
        band.click();
        EXPECT_EQ(host.MyPic().pixel(0, 297), c.colour);
        EXPECT_EQ(host.state().CurveFrequency, 1.0f);
        EXPECT_EQ(rnd.numbers().remaining(), 0u);
        EXPECT_EQ(rnd.numbers().overruns(), 0u);
    }
}

TEST_P(CurveBands, ABandEndsThroughTheHeightOrWidthTestAndStartsAfresh) {
    struct Case {
        std::string name;
        QSize size;
        float driftX, driftY;
        int ticks;
    };
    const Case cases[] = {
        // DY1 must pass 0.4 * 594 = 237.6; drifting left never passes the width test.
        {"drifting left", QSize(1024, 594), 0.0f, 0.0f, 238},
        {"drifting down fast", QSize(1024, 594), 0.5f, 0.5f, 119},
        // DX1 = 200 on tick 100 is not beyond the width yet.
        {"drifting out on the right", QSize(200, 594), 0.5f, 0.0f, 101},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost sized(c.size);
        Band sizedBand(sized, GetParam().tangent);
        BandNumbers first;
        first.driftX = c.driftX;
        first.driftY = c.driftY;
        BandNumbers second;
        second.instrument = 0.99f;
        second.driftX = 0.9f;
        second.driftY = 0.75f;
        second.colours = {0, 0, 0.9f};
        second.frequency = 0.5f;
        ScriptedNumbers rnd(first.script() + second.script());
        sizedBand.click();
        const FormState& s = sized.state();
        sized.selectedTune = 3;

        int ticks = 0;
        do {
            sizedBand.tick();
            ++ticks;
        } while (s.DX1 != 0 && ticks < 1000);

        EXPECT_EQ(ticks, c.ticks);
        EXPECT_EQ(sized.playNoteCalls, 1 + ticks + 1);
        EXPECT_EQ(sized.caption(), captionFor("Pentatonic"));
        EXPECT_TRUE(sized.timerEnabled(GetParam().timer));
        EXPECT_EQ(s.DY1, 0.0f);
        EXPECT_EQ(s.Instrument, 79);
        EXPECT_FLOAT_EQ(s.CurveDriftX, 2.4f);
        EXPECT_EQ(s.CurveDriftY, 2.5f);
        EXPECT_EQ(s.CurveFrequency, 2.5f);
        EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(10, 0, 255));
        EXPECT_EQ(rnd.numbers().reseeds(), 4u);
        EXPECT_EQ(rnd.numbers().remaining(), 0u);
        EXPECT_EQ(rnd.numbers().overruns(), 0u);
    }
}

TEST_P(CurveBands, TheCurveFollowsItsFunctionAndPolesLeaveNoTrace) {
    // One period across the width: the sine peaks at a quarter of it, where the
    // tangent has a pole whose points lie far above and below the surface.
    ScriptedNumbers rnd(BandNumbers{}.script());
    band.click();
    const auto& pic = host.MyPic();
    EXPECT_EQ(pic.pixel(512, 297), Red);
    if (GetParam().tangent) {
        for (int x : {251, 256, 261, 763, 768, 773}) {
            EXPECT_TRUE(columnIsDark(pic, x)) << x;
        }
        EXPECT_EQ(pic.pixel(128, 0), Red);
        EXPECT_EQ(pic.pixel(384, 593), Red);
    } else {
        EXPECT_EQ(pic.pixel(256, 0), Red);
        EXPECT_EQ(pic.pixel(256, 297), 0);
        EXPECT_EQ(pic.pixel(768, 593), Red);
    }
}

TEST_P(CurveBands, SteepAndManyPoledCurvesKeepDrawing) {
    BandNumbers n;
    n.frequency = 0.99999994f; // almost 4 periods
    n.slope = 0.0f;            // CurveSlope -1: the curve falls through the bottom edge
    n.level = 0.0f;
    n.driftX = 0.0f;
    n.driftY = 0.99999994f;
    ScriptedNumbers rnd(n.script());
    band.click();
    for (int i = 0; i < 60; ++i) {
        band.tick();
    }
    EXPECT_EQ(host.playNoteCalls, 61);
    EXPECT_FALSE(columnIsDark(host.MyPic(), 0));
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    , CurveBands,
    testing::Values(BandKind{"CosmicSines", "Cosmic Sines", EffectTimer::SineTimer, false},
                    BandKind{"TrigonometricTrajectories", "Trigonemtric Tracejtories",
                             EffectTimer::TrigTimer, true}),
    [](const testing::TestParamInfo<BandKind>& info) { return info.param.name; });

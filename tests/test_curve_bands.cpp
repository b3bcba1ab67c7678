// Cosmic Sines and Trigonometric Trajectories: the same band, with a sine or a tangent.
#include "effects/Effects.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::ScriptedNumbers;

namespace {

// The numbers one activation draws, in order: a flat curve of frequency 1 through the
// middle, red unless told otherwise.
std::vector<float> band(float driftX, float driftY, std::vector<float> colours = {0.9f, 0, 0}) {
    colours.insert(colours.begin(), {0.5f, driftX, driftY, 0.5f, 0.5f});
    colours.push_back(0);
    return colours;
}

const std::pair<EffectButton, EffectTimer> Bands[] = {
    {EffectButton::cmdSineWaver, EffectTimer::SineTimer},
    {EffectButton::cmdTrig, EffectTimer::TrigTimer}};

} // namespace

TEST(CurveBands, DriftsSlowerThanOneBecomeTwoAndColoursAreNeverGrey) {
    // 1/3 and 2/3 give exactly -1 and 1 in float arithmetic: fast enough.
    const std::pair<float, float> drifts[] = {
        {0.5666667f, 2.0f}, {0.5f, 2.0f},  {0.3334f, 2.0f}, {1.0f / 3, -1.0f},
        {2.0f / 3, 1.0f},   {0.0f, -3.0f}, {0.3f, -1.2f},   {0.99999994f, 2.9999996f}};
    // Black and white draws are drawn again.
    const std::pair<std::vector<float>, int32_t> colours[] = {
        {{0, 0, 0, 0.9f, 0.9f, 0.9f, 0.9f, 0, 0}, RGB(255, 0, 0)},
        {{0.9f, 0.9f, 0.9f, 0, 0, 0, 0, 0.9f, 0.9f}, RGB(0, 255, 255)},
        {{0.9f, 0, 0.9f}, RGB(255, 0, 255)}};
    FakeHost host;
    Effects effects(host);
    for (const auto& [draw, drift] : drifts) {
        ScriptedNumbers rnd(band(draw, 0));
        effects.click(EffectButton::cmdSineWaver);
        EXPECT_FLOAT_EQ(host.state().CurveDriftX, drift) << draw;
    }
    for (const auto& [draws, colour] : colours) {
        ScriptedNumbers rnd(band(0.5f, 0, draws));
        effects.click(EffectButton::cmdTrig);
        EXPECT_EQ(host.MyPic().pixel(0, 297), colour);
        EXPECT_EQ(host.state().CurveFrequency, 1.0f) << colour;
        EXPECT_EQ(rnd.numbers().remaining() + rnd.numbers().overruns(), 0u) << colour;
    }
}

TEST(CurveBands, ABandEndsPastTheHeightOrWidthTestAndStartsAfresh) {
    struct Case {
        QSize size;
        float driftX, driftY;
        int ticks;
    };
    // DY1 must pass 0.4 * 594 = 237.6, drifting left never passes the width test; on the
    // narrow surface DX1 = 200 on tick 100 is not beyond the width yet.
    const Case cases[] = {{QSize(1024, 594), 0.0f, 0.0f, 238},
                          {QSize(1024, 594), 0.5f, 0.5f, 119},
                          {QSize(200, 594), 0.5f, 0.0f, 101}};
    for (const auto& [button, timer] : Bands) {
        for (const auto& c : cases) {
            FakeHost host(c.size);
            Effects effects(host);
            ScriptedNumbers rnd(band(c.driftX, c.driftY));
            effects.click(button);
            for (float v : band(0.9f, 0.75f)) {
                rnd.numbers().push(v);
            }
            int ticks = 0;
            do {
                effects.tick(timer);
                ++ticks;
            } while (host.state().DX1 != 0 && ticks < 1000);
            EXPECT_EQ(ticks, c.ticks);
            EXPECT_EQ(host.playNoteCalls, 1 + ticks + 1);
            EXPECT_TRUE(host.timerEnabled(timer));
            EXPECT_FLOAT_EQ(host.state().CurveDriftX, 2.4f);
            EXPECT_EQ(rnd.numbers().remaining(), 0u);
        }
    }
}

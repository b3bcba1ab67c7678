// Spectral Flood and Einstein Waves step two points that bounce off the edges; Galactic
// Satellites runs Einstein Waves with Black Holes.
#include "effects/Effects.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;

TEST(BouncingPoints, TurnOnlyBeyondAnEdgeAndWhileHeadingOut) {
    enum Coordinate { X1, Y1, X2, Y2, FirstPoint };
    struct Case {
        Coordinate which;
        float from, step, to, stepAfter;
        int instruments; // drawn for bounces of the first point
    };
    // Surface 100 x 100; FirstPoint moves X1 and Y1 alike, into a corner. The last five
    // start outside: heading in they go straight on, heading out they turn once.
    const Case cases[] = {{X1, 95, 5, 100, 5, 0},     {X1, 96, 5, 96, -5, 1},
                          {X1, 5, -5, 0, -5, 0},      {X1, 4, -5, 4, 5, 1},
                          {Y1, 98, 2, 100, 2, 0},     {Y1, 99, 2, 99, -2, 1},
                          {Y1, 1, -2, 1, 2, 1},       {X2, 99.5f, 1, 99.5f, -1, 0},
                          {X2, 1, -1, 0, -1, 0},      {Y2, 99, 1, 100, 1, 0},
                          {Y2, 0.5f, -1, 0.5f, 1, 0}, {FirstPoint, 99.5f, 1, 99.5f, -1, 2},
                          {X1, -50, 2, -48, 2, 0},    {Y1, 520, -2, 518, -2, 0},
                          {X2, 130, -7, 123, -7, 0},  {X1, -50, -2, -50, 2, 1},
                          {Y2, 520, 2, 520, -2, 0}};
    for (EffectTimer timer : {EffectTimer::WashTimer, EffectTimer::MyTimer}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "timer " << static_cast<int>(timer)
                                            << ", coordinate " << c.which << " from " << c.from);
            OpenRecorder midi;
            FakeHost host(QSize(100, 100));
            FormState& s = host.state();
            float* position[] = {&s.X1, &s.Y1, &s.X2, &s.Y2};
            float* step[] = {&s.DX1, &s.DY1, &s.DX2, &s.DY2};
            for (int i = 0; i < 4; ++i) {
                const bool moved = i == c.which || (c.which == FirstPoint && i < 2);
                *position[i] = moved ? c.from : 25;
                *step[i] = moved ? c.step : 0;
            }
            s.Instrument = 7;
            // New instruments first, then Einstein Waves' two ball colours.
            ScriptedNumbers rnd({0.9f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});

            Effects(host).tick(timer);

            const int i = c.which == FirstPoint ? 0 : c.which;
            EXPECT_FLOAT_EQ(*position[i], c.to);
            EXPECT_EQ(*step[i], c.stepAfter);
            const int instrument = c.instruments == 0 ? 7 : c.instruments == 1 ? 72 : 20;
            EXPECT_EQ(s.Instrument, instrument);
            // The tick's one note already sounds with the new instrument.
            ASSERT_EQ(playedNotes(midi.log()).size(), 1u);
            const auto sent = midi.log().shortMessages();
            const auto program = std::find_if(sent.rbegin(), sent.rend(),
                                              [](uint32_t m) { return (m & 0xF0) == 0xC0; });
            EXPECT_EQ(*program >> 8 & 0x7F, static_cast<uint32_t>(instrument));
            const std::size_t balls = timer == EffectTimer::MyTimer ? 6 : 0;
            EXPECT_EQ(rnd.numbers().drawn(), static_cast<std::size_t>(c.instruments) + balls);
        }
    }
}

TEST(SpectralFlood, APointLeftOutsideComesBack) {
    // Showing the panel again takes height away from the surface, and another Effect's
    // big step can carry a point out.
    const std::array<float, 6> cases[] = {{500, 594, 600, 100, 10, 10},
                                          {1024, 437, 100, 520, 10, 10},
                                          {1024, 437, 100, 100, 10, 520},
                                          {1024, 594, -50, 100, 10, 10},
                                          {1024, 594, 100, -30, 10, 10}};
    for (const auto& [w, h, x1, y1, x2, y2] : cases) {
        FakeHost host;
        SpectralFlood flood(host);
        FormState& s = host.state();
        ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.75f});
        flood.cmdWash_Click();
        s.X1 = x1, s.Y1 = y1, s.X2 = x2, s.Y2 = y2;
        host.MyPic().resize(QSize(int(w), int(h)));
        for (int i = 0; i < 100; ++i) {
            flood.WashTimer_Timer();
        }
        EXPECT_TRUE(s.X1 >= 0 && s.X1 <= w && s.Y1 >= 0 && s.Y1 <= h) << s.X1 << ", " << s.Y1;
        EXPECT_TRUE(s.X2 >= 0 && s.X2 <= w && s.Y2 >= 0 && s.Y2 <= h) << s.X2 << ", " << s.Y2;
        // Turned round once at most, not on every tick.
        EXPECT_LE(rnd.numbers().drawn(), 5u);
    }
}

TEST(GalacticSatellites, WavesTickOnDuringThePauseThenAHoleTakesTheFirstPointUnlessClosed) {
    for (bool closed : {false, true}) {
        OpenRecorder midi;
        FakeHost host;
        Effects effects(host);
        FormState& s = host.state();
        std::vector<float> during;
        host.duringPause = [&] {
            EXPECT_FALSE(host.timerEnabled(EffectTimer::CircleTimer));
            effects.tick(EffectTimer::MyTimer);
            during = {s.X2, s.Y2, s.DX1, s.X1};
            host.unloaded_ = closed;
        };

        effects.click(EffectButton::cmdGalactic);

        ASSERT_EQ(host.pauses, std::vector<int16_t>{100});
        EXPECT_EQ(host.timerEnabled(EffectTimer::CircleTimer), !closed);
        EXPECT_EQ(host.caption().contains("Black Holes"), !closed);
        EXPECT_EQ(std::vector<float>({s.X2, s.Y2, s.DX1}),
                  std::vector<float>(during.begin(), during.begin() + 3));
        EXPECT_EQ(s.X1 != during[3], !closed); // the hole's centre
        EXPECT_EQ(playedNotes(midi.log()).size(), 1u);
    }
}

// What each Effect and the helpers they share do that a user sees and hears.
#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "music/Tunes.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;
using B = EffectButton;
using T = EffectTimer;

TEST(Effects, EachButtonStartsItsEffectAndEachTickPlaysOneNote) {
    struct Case {
        B button;
        QString caption;
        std::vector<T> timers;
        std::size_t notesOnClick;
        bool drawsOnClick, sweeps;
    };
    const Case cases[] = {
        {B::cmdGalactic, "Black Holes", {T::MyTimer, T::CircleTimer}, 0, false, false},
        {B::cmdEinsteinWaves, "Einstein Waves", {T::MyTimer}, 0, false, false},
        {B::CmdBlackHoles, "Black Holes", {T::CircleTimer}, 0, false, false},
        {B::cmdTrig, "Trigonemtric Tracejtories", {T::TrigTimer}, 1, true, false},
        {B::cmdJagged, "Jagged Maze", {T::JaggedTimer}, 0, false, false},
        {B::cmdWash, "Spectral Flood", {T::WashTimer}, 1, false, false},
        {B::cmdExplodingSuns, "Exploding Suns", {T::ExplodeTimer}, 1, true, false},
        {B::cmdSineWaver, "Cosmic Sines", {T::SineTimer}, 1, true, false},
        {B::cmdRainbow, "Saturated Rainbow", {T::RainTimer}, 0, true, true},
        {B::cmdShadedRainbow, "Meteorites", {T::ShadedRainTimer}, 0, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        OpenRecorder midi;
        // Sweeps step 5 pixels from x = 5: the fourth stroke lands on the edge and goes on.
        FakeHost host(QSize(25, 80));
        host.selectedTune = 1;
        Effects effects(host);
        effects.click(c.button);
        EXPECT_EQ(host.caption(),
                  "Zelphor Version 1.0 Rev 24 showing " + c.caption + " to tune Major");
        for (int t = 0; t < EffectTimerCount; ++t) {
            const bool on = std::find(c.timers.begin(), c.timers.end(), T(t)) != c.timers.end();
            EXPECT_EQ(host.timerEnabled(T(t)), on) << "timer " << t;
        }
        EXPECT_EQ(playedNotes(midi.log()).size(), c.notesOnClick);
        EXPECT_EQ(!host.MyPic().takeDirty().isEmpty(), c.drawsOnClick);
        for (T timer : c.timers) {
            for (int i = 1; i <= 5; ++i) {
                const std::size_t before = playedNotes(midi.log()).size();
                effects.tick(timer);
                EXPECT_EQ(playedNotes(midi.log()).size(), before + 1) << "timer " << int(timer);
                EXPECT_EQ(midi.log().soundingNotes().size(), 1u);
                EXPECT_EQ(host.timerEnabled(timer), !c.sweeps || i < 5) << "tick " << i;
            }
        }
    }
}

TEST(Effects, AnyMixOfPressesTicksAndFreezesKeepsColourAndSoundSane) {
    std::mt19937 user(77);
    std::vector<float> numbers(200000);
    std::generate(numbers.begin(), numbers.end(), [&] { return float(user() >> 8) * 0x1p-24f; });
    ScriptedNumbers random(numbers);
    OpenRecorder midi;
    FakeHost host;
    Effects effects(host);
    FormState& s = host.state();
    auto chance = [&](int n) { return static_cast<int>(user() % static_cast<unsigned>(n)); };
    auto check = [&](int step) {
        ASSERT_TRUE(std::min({s.RedLevel, s.GreenLevel, s.BlueLevel}) >= 0 &&
                    std::max({s.RedLevel, s.GreenLevel, s.BlueLevel}) <= 255)
            << "step " << step;
        ASSERT_LE(midi.log().soundingNotes().size(), 1u) << "step " << step;
    };
    // Einstein Waves keeps ticking while Galactic Satellites pauses.
    host.duringPause = [&] {
        for (int i = 0; i < 1 + chance(4); ++i) {
            effects.tick(T::MyTimer);
            check(-1);
        }
    };
    for (int step = 0; step < 4000 && !HasFatalFailure(); ++step) {
        const int action = chance(100);
        const auto timer = T(chance(EffectTimerCount));
        if (action < 75) {
            if (host.timerEnabled(timer)) {
                effects.tick(timer);
            }
        } else if (action < 90) {
            effects.click(B(chance(EffectButtonCount)));
        } else if (action < 94) {
            midi.card.MidiReset();
            for (int t = 0; t < EffectTimerCount; ++t) {
                host.setTimerEnabled(T(t), false);
            }
            ASSERT_TRUE(midi.log().soundingNotes().empty()) << step;
        } else if (action < 98) {
            host.selectedTune = chance(Tunes::OptionCount);
            Tunes::LoadTune(s, host.selectedTune);
        } else {
            const QSize sizes[] = {{1024, 594}, {1, 1}, {7, 3}, {300, 900}, {1200, 40}};
            host.MyPic().resize(sizes[chance(5)]);
        }
        check(step);
    }
    EXPECT_GT(host.playNoteCalls, 500);
    EXPECT_EQ(random.numbers().overruns(), 0u);
}

TEST(Effects, StartAfreshOnTheTickPastTheirLimitNotTheOneReachingIt) {
    struct Case {
        B button;
        T timer;
        QSize size;
        float radius, driftX, driftY;
        int ticks;
    };
    const Case cases[] = {
        // A hole shrinks to 0.9 a tick until below 10: 11.111111 shrinks to exactly 10.
        {B::CmdBlackHoles, T::CircleTimer, {1024, 594}, 11.111111f, 0, 0, 2},
        {B::CmdBlackHoles, T::CircleTimer, {1024, 594}, 11.0f, 0, 0, 1},
        // Rings grow by 1.05 until taller than the surface: 21 on a surface 21 high goes on.
        {B::cmdExplodingSuns, T::ExplodeTimer, {800, 21}, 20, 0, 0, 2},
        // DY1 must pass 0.4 * 594 = 237.6; DX1 = 200 on a surface 200 wide goes on, and
        // drifting left never passes the width test.
        {B::cmdSineWaver, T::SineTimer, {1024, 594}, 0, -1, 1, 238},
        {B::cmdTrig, T::TrigTimer, {200, 594}, 0, 2, 0, 101}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "timer " << int(c.timer) << ", " << c.radius);
        FakeHost host(c.size);
        FormState& s = host.state();
        Effects effects(host);
        effects.click(c.button);
        s.Radius = c.radius, s.CurveDriftX = c.driftX, s.CurveDriftY = c.driftY;
        int ticks = 0;
        do {
            host.setCaption(QString());
            effects.tick(c.timer);
            ++ticks;
        } while (host.caption().isEmpty() && ticks < 1000);
        EXPECT_EQ(ticks, c.ticks);
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

TEST(ExplodingSuns, ASolidSunAndTheNextSunStartsColoursAndTuneAgain) {
    OpenRecorder midi;
    FakeHost host(QSize(600, 60));
    FormState& s = host.state();
    s.TuneIndex = 7;
    ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.1f, 0.5f, 0.5f});
    ExplodingSuns suns(host);
    suns.cmdExplodingSuns_Click();
    s.Radius = 200;
    suns.ExplodeTimer_Timer();
    const auto& pic = host.MyPic();
    // A sun of radius 10 at (300, 30), a ring of 210 round it, the next sun at (60, 30).
    EXPECT_EQ(pic.pixel(307, 30), RGB(255, 255, 0));
    EXPECT_EQ(pic.pixel(60, 30), RGB(255, 255, 0));
    EXPECT_EQ(s.Radius, 10.0f);
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(255, 255, 0));
    EXPECT_EQ(playedNotes(midi.log()).front(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_EQ(playedNotes(midi.log()).back(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
}

TEST(JaggedMaze, ThePathStartsAfreshOnlyStrictlyBeyondAnEdge) {
    struct Case {
        float penX, penY;
        float signX, signY; // 0 keeps the segment's extent positive, 0.5 turns it negative
        bool restarts;
    };
    // Surface 400 x 300; every segment here is 50 x 50.
    const Case cases[] = {{350, 100, 0, 0, false},   {351, 100, 0, 0, true},
                          {50, 100, 0.5f, 0, false}, {49.5f, 100, 0.5f, 0, true},
                          {100, 250, 0, 0, false},   {100, 250.25f, 0, 0, true},
                          {100, 50, 0, 0.5f, false}, {100, 49.75f, 0, 0.5f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.penX << ", " << c.penY);
        FakeHost host(QSize(400, 300));
        // The segment's extents and signs, then a new start at (300, 75).
        ScriptedNumbers rnd({0, 0, c.signX, c.signY, 0.75f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
        host.MyPic().setCurrentX(c.penX);
        host.MyPic().setCurrentY(c.penY);

        JaggedMaze(host).JaggedTimer_Timer();

        const float x = c.restarts ? 300 : c.penX + (c.signX > 0 ? -50 : 50);
        const float y = c.restarts ? 75 : c.penY + (c.signY > 0 ? -50 : 50);
        EXPECT_EQ(QPointF(host.MyPic().CurrentX(), host.MyPic().CurrentY()), QPointF(x, y));
    }
}

// Spectral Flood and Einstein Waves step two points that bounce off the edges.
TEST(BouncingPoints, TurnOnlyBeyondAnEdgeAndWhileHeadingOut) {
    enum Coordinate { X1, Y1, X2, Y2, P1 };
    struct Case {
        Coordinate which;
        float from, step, to, stepAfter;
        int instrument; // drawn anew for each bounce of the first point
    };
    // Surface 100 x 80; P1 moves X1 and Y1 alike, into a corner. The last four start
    // outside: heading in they go straight on, heading out they turn once.
    const Case cases[] = {
        {X1, 95, 5, 100, 5, 7},       {X1, 96, 5, 96, -5, 72},    {X1, 5, -5, 0, -5, 7},
        {X1, 4, -5, 4, 5, 72},        {Y1, 78, 2, 80, 2, 7},      {Y1, 79, 2, 79, -2, 72},
        {X2, 99.5f, 1, 99.5f, -1, 7}, {Y2, 0.5f, -1, 0.5f, 1, 7}, {P1, 99.5f, 1, 99.5f, -1, 20},
        {X1, -50, 2, -48, 2, 7},      {Y1, 520, -2, 518, -2, 7},  {X1, -50, -2, -50, 2, 72},
        {Y2, 520, 2, 520, -2, 7}};
    for (T timer : {T::WashTimer, T::MyTimer}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << int(timer) << ", " << c.which << " from " << c.from);
            OpenRecorder midi;
            FakeHost host(QSize(100, 80));
            FormState& s = host.state();
            float* position[] = {&s.X1, &s.Y1, &s.X2, &s.Y2};
            float* step[] = {&s.DX1, &s.DY1, &s.DX2, &s.DY2};
            for (int i = 0; i < 4; ++i) {
                const bool moved = i == c.which || (c.which == P1 && i < 2);
                *position[i] = moved ? c.from : 25;
                *step[i] = moved ? c.step : 0;
            }
            s.Instrument = 7;
            // New instruments first, then Einstein Waves' two ball colours.
            ScriptedNumbers rnd({0.9f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
            Effects(host).tick(timer);
            const int i = c.which == P1 ? 0 : c.which;
            EXPECT_FLOAT_EQ(*position[i], c.to);
            EXPECT_EQ(*step[i], c.stepAfter);
            EXPECT_EQ(s.Instrument, c.instrument);
            // The tick's one note already sounds with the new instrument.
            const auto sent = midi.log().shortMessages();
            const auto program = std::find_if(sent.rbegin(), sent.rend(),
                                              [](uint32_t m) { return (m & 0xF0) == 0xC0; });
            ASSERT_TRUE(program != sent.rend() && (sent.back() & 0xF0) == 0x90);
            EXPECT_EQ(*program >> 8 & 0x7F, static_cast<uint32_t>(c.instrument));
        }
    }
}

TEST(SpectralFlood, APointLeftOutsideComesBack) {
    // Showing the panel shrinks the surface; another Effect's big step can carry a point out.
    const std::array<float, 6> cases[] = {{500, 594, 600, 100, 10, 10},
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

TEST(GalacticSatellites, WavesTickOnDuringThePauseThenAHoleTakesTheP1UnlessClosed) {
    for (bool closed : {false, true}) {
        OpenRecorder midi;
        FakeHost host;
        Effects effects(host);
        FormState& s = host.state();
        std::vector<float> during;
        host.duringPause = [&] {
            EXPECT_FALSE(host.timerEnabled(T::CircleTimer));
            effects.tick(T::MyTimer);
            during = {s.X2, s.Y2, s.DX1, s.X1};
            host.unloaded_ = closed;
        };

        effects.click(B::cmdGalactic);

        ASSERT_EQ(host.pauses, std::vector<int16_t>{100});
        EXPECT_EQ(host.timerEnabled(T::CircleTimer), !closed);
        EXPECT_EQ(host.caption().contains("Black Holes"), !closed);
        EXPECT_EQ(std::vector<float>({s.X2, s.Y2, s.DX1}),
                  std::vector<float>(during.begin(), during.begin() + 3));
        EXPECT_EQ(s.X1 != during[3], !closed); // the hole's centre
        EXPECT_EQ(playedNotes(midi.log()).size(), 1u);
    }
}

// Cosmic Sines and Trigonometric Trajectories: the same band, with a sine or a tangent.
TEST(CurveBands, DriftsSlowerThanOneBecomeTwoAndColoursAreNeverGrey) {
    // 1/3 and 2/3 give exactly -1 and 1 in float arithmetic: fast enough.
    const std::pair<float, float> drifts[] = {{0.5f, 2.0f},      {0.3334f, 2.0f},
                                              {1.0f / 3, -1.0f}, {2.0f / 3, 1.0f},
                                              {0.0f, -3.0f},     {0.99999994f, 2.9999996f}};
    FakeHost host;
    Effects effects(host);
    for (const auto& [draw, drift] : drifts) {
        ScriptedNumbers rnd({0.5f, draw, 0, 0.5f, 0.5f, 0.9f, 0, 0, 0});
        effects.click(B::cmdSineWaver);
        EXPECT_FLOAT_EQ(host.state().CurveDriftX, drift) << draw;
    }
    // A flat curve of frequency 1 through the middle; black and white are drawn again.
    ScriptedNumbers rnd({0.5f, 0.5f, 0, 0.5f, 0.5f, 0, 0, 0, 0.9f, 0.9f, 0.9f, 0.9f, 0, 0, 0});
    effects.click(B::cmdTrig);
    EXPECT_EQ(host.MyPic().pixel(0, 297), RGB(255, 0, 0));
    EXPECT_EQ(host.state().CurveFrequency, 1.0f);
    EXPECT_EQ(rnd.numbers().remaining() + rnd.numbers().overruns(), 0u);
}

TEST(TurnColour, StepsAlongTheEdgeOfTheWheel) {
    struct Case {
        int16_t r, g, b, step;
        int32_t to;
    };
    // Forwards and backwards round every edge, stopping at the corners; off the edge, or
    // with no step, nothing moves.
    const Case cases[] = {
        {255, 0, 0, 10, RGB(255, 10, 0)},      {255, 255, 0, 10, RGB(245, 255, 0)},
        {0, 255, 0, 5, RGB(0, 255, 5)},        {0, 0, 255, -8, RGB(0, 8, 255)},
        {5, 255, 0, 10, RGB(0, 255, 0)},       {0, 255, 255, 5, RGB(0, 250, 255)},
        {0, 0, 255, 5, RGB(5, 0, 255)},        {255, 0, 255, 5, RGB(255, 0, 250)},
        {255, 0, 0, -8, RGB(255, 0, 8)},       {0, 255, 0, -8, RGB(8, 255, 0)},
        {248, 255, 0, -8, RGB(255, 255, 0)},   {255, 255, 0, -3, RGB(255, 252, 0)},
        {0, 255, 255, -8, RGB(0, 255, 247)},   {255, 0, 255, -8, RGB(247, 0, 255)},
        {100, 200, 50, -8, RGB(100, 200, 50)}, {255, 0, 0, 0, RGB(255, 0, 0)}};
    for (Case c : cases) {
        TurnColour(c.r, c.g, c.b, c.step);
        EXPECT_EQ(RGB(c.r, c.g, c.b), c.to) << "step " << c.step;
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
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(300, -5, 0));
}

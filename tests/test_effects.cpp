// What each Effect does that a user sees and hears, alone and mixed with the others.
#include "effects/Effects.h"
#include "music/Tunes.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;

TEST(Effects, EachButtonStartsItsEffectAndEachTickPlaysOneNote) {
    using B = EffectButton;
    using T = EffectTimer;
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
        // The sweeps step 5 pixels from x = 5: the fourth stroke lands on the right edge
        // and goes on, the fifth is beyond it and ends the sweep.
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
    // The program's generator, reseeded from a counter so that a run repeats.
    struct Repeatable final : platform::RandomSource {
        Repeatable() { platform::setRandomSource(this); }
        ~Repeatable() override { platform::setRandomSource(nullptr); }
        float next() override { return generator.next(); }
        void reseed() override { generator.seedWith(++reseeds); }
        platform::ClockSeededRandom generator{0x1234'5678};
        uint64_t reseeds = 0;
    } random;
    OpenRecorder midi;
    FakeHost host;
    Effects effects(host);
    FormState& s = host.state();
    std::mt19937 user(77);
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
            effects.tick(EffectTimer::MyTimer);
            check(-1);
        }
    };
    for (int step = 0; step < 4000 && !HasFatalFailure(); ++step) {
        const int action = chance(100);
        const auto timer = EffectTimer(chance(EffectTimerCount));
        if (action < 75) {
            if (host.timerEnabled(timer)) {
                effects.tick(timer);
            }
        } else if (action < 90) {
            effects.click(EffectButton(chance(EffectButtonCount)));
        } else if (action < 94) {
            midi.card.MidiReset();
            for (int t = 0; t < EffectTimerCount; ++t) {
                host.setTimerEnabled(EffectTimer(t), false);
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
}

TEST(BlackHoles, AHoleShrinksUntilItsRadiusFallsBelowTen) {
    OpenRecorder midi;
    FakeHost host;
    BlackHoles holes(host);
    // The smallest n with R0 * 0.9^n < 10; the start radius itself is never drawn.
    // 11.111111 shrinks to exactly 10 (the product rounded to a float), not yet below.
    const std::pair<float, int> cases[] = {{1000.0f, 44},   {237.6f, 31}, {11.2f, 2},
                                           {11.111111f, 2}, {11.0f, 1},   {0.0f, 1}};
    for (const auto& [radius, circles] : cases) {
        holes.CmdBlackHoles_Click();
        host.state().Radius = radius;
        int drawn = 0;
        do {
            host.setCaption(QString());
            holes.CircleTimer_Timer();
            ++drawn;
        } while (host.caption().isEmpty() && drawn < 100);
        EXPECT_EQ(drawn, circles) << radius;
        EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
    }
}

TEST(BlackHoles, CirclesAreFilledBlackOnlyAfterAnEffectLeftTheFillSolid) {
    // Einstein Waves' balls leave the fill solid; Exploding Suns leaves it clear.
    for (const auto& [before, tick] :
         {std::pair{EffectButton::cmdEinsteinWaves, EffectTimer::MyTimer},
          std::pair{EffectButton::cmdExplodingSuns, EffectTimer::ExplodeTimer}}) {
        OpenRecorder midi;
        FakeHost host;
        Effects effects(host);
        effects.click(before);
        effects.tick(tick);
        auto& pic = host.MyPic();
        pic.Cls();
        pic.PSet(512, 297, 0xFFFFFF);
        // A hole in the middle, radius 118.8, in grey.
        ScriptedNumbers rnd(std::vector<float>(10, 0.5f));
        effects.click(EffectButton::CmdBlackHoles);
        effects.tick(EffectTimer::CircleTimer);
        EXPECT_EQ(pic.pixel(512, 297), before == EffectButton::cmdExplodingSuns ? 0xFFFFFF : 0);
        EXPECT_EQ(pic.pixel(512 + 107, 297), RGB(159, 159, 159));
    }
}

TEST(ExplodingSuns, ASolidSunOutlinedRingsAndTheLastRingBeforeTheNextSun) {
    OpenRecorder midi;
    FakeHost host(QSize(600, 60));
    FormState& s = host.state();
    s.TuneIndex = 7;
    ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.1f, 0.5f, 0.5f});
    ExplodingSuns suns(host);
    const auto& pic = host.MyPic();
    auto painted = [&](int32_t colour) {
        const auto* p = reinterpret_cast<const QRgb*>(pic.image().constBits());
        const QRgb rgb = qRgb(colour & 255, colour >> 8 & 255, colour >> 16);
        return std::count(p, p + pic.image().width() * pic.image().height(), rgb);
    };

    suns.cmdExplodingSuns_Click();
    s.Radius = 20;
    suns.ExplodeTimer_Timer();
    s.Radius = 200;
    suns.ExplodeTimer_Timer();

    // A sun of radius 10 at (300, 30), a ring of 21 round it, then one of 210 as the last.
    EXPECT_EQ(pic.pixel(307, 30), RGB(255, 255, 0));
    EXPECT_EQ(pic.pixel(315, 30), 0);
    EXPECT_GT(painted(RGB(255, 252, 0)), 20);
    EXPECT_GT(painted(RGB(255, 249, 0)), 20);
    // The next sun, at (60, 30), starts the colours and the tune again.
    EXPECT_EQ(pic.pixel(60, 30), RGB(255, 255, 0));
    EXPECT_EQ(s.Radius, 10.0f);
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(255, 255, 0));
    EXPECT_EQ(playedNotes(midi.log()).front(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_EQ(playedNotes(midi.log()).back(), static_cast<int>(s.CurrentTune.at(0)));
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
}

TEST(ExplodingSuns, ANewSunStartsAfterTheFirstRingTallerThanTheSurface) {
    // The smallest n with R0 * 1.05^n > height; a ring of 21 on a surface 21 high goes on.
    const std::tuple<int, float, int> cases[] = {
        {60, 10, 37}, {100, 10, 48}, {594, 10, 84}, {9, 10, 1}, {21, 20, 2}};
    for (const auto& [height, radius, rings] : cases) {
        FakeHost host(QSize(800, height));
        ExplodingSuns suns(host);
        suns.cmdExplodingSuns_Click();
        host.state().Radius = radius;
        int ticks = 0;
        do {
            suns.ExplodeTimer_Timer();
            ++ticks;
        } while (host.state().Radius != 10.0f && ticks < 1000);
        EXPECT_EQ(ticks, rings) << "height " << height;
    }
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
        OpenRecorder midi;
        FakeHost host(QSize(400, 300));
        // The segment's extents and signs, then a new start at (300, 75).
        ScriptedNumbers rnd({0, 0, c.signX, c.signY, 0.75f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
        host.MyPic().setCurrentX(c.penX);
        host.MyPic().setCurrentY(c.penY);
        host.setTimerEnabled(EffectTimer::JaggedTimer, true);

        JaggedMaze(host).JaggedTimer_Timer();

        const float x = c.restarts ? 300 : c.penX + (c.signX > 0 ? -50 : 50);
        const float y = c.restarts ? 75 : c.penY + (c.signY > 0 ? -50 : 50);
        EXPECT_EQ(QPointF(host.MyPic().CurrentX(), host.MyPic().CurrentY()), QPointF(x, y));
        EXPECT_EQ(host.caption().contains("Jagged Maze"), c.restarts);
        EXPECT_TRUE(host.timerEnabled(EffectTimer::JaggedTimer));
        EXPECT_EQ(playedNotes(midi.log()).size(), 1u);
    }
}

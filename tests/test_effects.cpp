// What the Effects do that a user sees and hears.
#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::playedNotes;
using B = EffectButton;
using T = EffectTimer;

TEST(BlackHoles, HolesAreFilledBlackOnlyWhileAnotherEffectLeftTheFillSolid) {
    // Einstein Waves' balls leave it solid, Exploding Suns clear.
    for (bool solid : {false, true}) {
        FakeHost host;
        Effects effects(host);
        auto& pic = host.MyPic();
        pic.setFillStyle(solid ? platform::DrawingSurface::FillSolid
                               : platform::DrawingSurface::FillTransparent);
        pic.PSet(512, 297, 0xFFFFFF);
        platform::ScriptedRandom rnd(std::vector<float>(10, 0.5f)); // a hole in the middle
        host.useNumbers(rnd);
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
            FakeHost host(QSize(100, 80), nullptr, &midi.link);
            FormState& s = host.state();
            float* position[] = {&s.X1, &s.Y1, &s.X2, &s.Y2};
            float* step[] = {&s.DX1, &s.DY1, &s.DX2, &s.DY2};
            for (int i = 0; i < 4; ++i) {
                *position[i] = i == c.which ? c.from : 25;
                *step[i] = i == c.which ? c.step : 0;
            }
            s.Instrument = 77;
            platform::ScriptedRandom rnd(std::vector<float>(8, 0.5f));
            host.useNumbers(rnd);
            Effects(host).tick(timer);
            EXPECT_FLOAT_EQ(*position[c.which], c.to);
            EXPECT_EQ(*step[c.which], c.stepAfter);
            // Only the first point's bounces choose a new instrument.
            const bool turned = c.step != c.stepAfter;
            EXPECT_EQ(s.Instrument, turned && c.which <= Y1 ? 40 : 77);
        }
    }
}

TEST(TurnColour, WalksTheEdgeOfTheWheelOneStepAndStopsAtEachCorner) {
    struct Case {
        int16_t r, g, b, step, r2, g2, b2;
    };
    const Case cases[] = {
        // Forwards: red, yellow, green, cyan, blue, magenta, red.
        {255, 0, 0, 10, 255, 10, 0},
        {255, 250, 0, 10, 255, 255, 0},
        {255, 255, 0, 10, 245, 255, 0},
        {5, 255, 0, 10, 0, 255, 0},
        {0, 255, 0, 10, 0, 255, 10},
        {0, 255, 250, 10, 0, 255, 255},
        {0, 255, 255, 10, 0, 245, 255},
        {0, 5, 255, 10, 0, 0, 255},
        {0, 0, 255, 10, 10, 0, 255},
        {250, 0, 255, 10, 255, 0, 255},
        {255, 0, 255, 10, 255, 0, 245},
        {255, 0, 5, 10, 255, 0, 0},
        {255, 0, 0, 5, 255, 5, 0},
        {255, 248, 0, 8, 255, 255, 0},
        // Backwards: red, magenta, blue, cyan, green, yellow, red.
        {255, 0, 0, -8, 255, 0, 8},
        {255, 0, 250, -8, 255, 0, 255},
        {255, 0, 255, -8, 247, 0, 255},
        {5, 0, 255, -8, 0, 0, 255},
        {0, 0, 255, -8, 0, 8, 255},
        {0, 250, 255, -8, 0, 255, 255},
        {0, 255, 255, -8, 0, 255, 247},
        {0, 255, 5, -8, 0, 255, 0},
        {0, 255, 0, -8, 8, 255, 0},
        {250, 255, 0, -8, 255, 255, 0},
        {255, 255, 0, -3, 255, 252, 0},
        {255, 2, 0, -3, 255, 0, 0},
        // Off the edge, or no step: nothing changes.
        {128, 128, 128, 10, 128, 128, 128},
        {255, 255, 255, -8, 255, 255, 255},
        {0, 0, 0, 10, 0, 0, 0},
        {255, 0, 0, 0, 255, 0, 0},
    };
    for (const Case& c : cases) {
        int16_t r = c.r, g = c.g, b = c.b;
        TurnColour(r, g, b, c.step);
        EXPECT_EQ((std::array<int16_t, 3>{r, g, b}), (std::array<int16_t, 3>{c.r2, c.g2, c.b2}))
            << c.r << ", " << c.g << ", " << c.b << " by " << c.step;
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

// Where each Effect's run ends: Black Holes below radius 10, Exploding Suns above the height,
// the curve bands past 0.4 of the height or the width, Jagged Maze off the surface, the sweeps
// past the width. A tick that ends it starts afresh (the caption is written again) or stops.
TEST(Effects, EachRunEndsExactlyBeyondItsLimit) {
    enum Outcome { GoesOn, StartsAfresh, Stops };
    using Setup = std::function<void(FormState&, platform::DrawingSurface&)>;
    struct Case {
        B button;
        T timer;
        QSize size;
        Setup setup;
        Outcome outcome;
        bool backwards = false; // a segment heading up and left
    };
    auto radius = [](float r) { return [r](FormState& s, auto&) { s.Radius = r; }; };
    auto band = [](float dx, float driftX, float dy, float driftY) {
        return [=](FormState& s, auto&) {
            s.DX1 = dx, s.CurveDriftX = driftX, s.DY1 = dy, s.CurveDriftY = driftY;
        };
    };
    // With all numbers 0 a segment is (+50, +50); backwards both signs turn: (-50, -50).
    auto pen = [](float x, float y) {
        return [=](FormState&, platform::DrawingSurface& pic) {
            pic.setCurrentX(x);
            pic.setCurrentY(y);
        };
    };
    auto sweepAt = [](float x) { return [x](FormState& s, auto&) { s.X1 = x; }; };
    const Case cases[] = {
        {B::CmdBlackHoles, T::CircleTimer, {400, 300}, radius(11.2f), GoesOn},      // 10.08
        {B::CmdBlackHoles, T::CircleTimer, {400, 300}, radius(11.111111f), GoesOn}, // 10
        {B::CmdBlackHoles, T::CircleTimer, {400, 300}, radius(11.1f), StartsAfresh},
        {B::cmdExplodingSuns, T::ExplodeTimer, {400, 420}, radius(400), GoesOn}, // 420
        {B::cmdExplodingSuns, T::ExplodeTimer, {400, 419}, radius(400), StartsAfresh},
        {B::cmdSineWaver, T::SineTimer, {1024, 500}, band(0, 1, 199, 1), GoesOn}, // 200
        {B::cmdSineWaver, T::SineTimer, {1024, 500}, band(0, 1, 199, 1.5f), StartsAfresh},
        {B::cmdSineWaver, T::SineTimer, {1024, 500}, band(1020, 4, 0, 1), GoesOn},
        {B::cmdSineWaver, T::SineTimer, {1024, 500}, band(1020, 4.5f, 0, 1), StartsAfresh},
        {B::cmdSineWaver, T::SineTimer, {1024, 500}, band(-2000, -3, 0, 1), GoesOn},
        {B::cmdTrig, T::TrigTimer, {1024, 500}, band(0, 1, 199, 1), GoesOn},
        {B::cmdTrig, T::TrigTimer, {1024, 500}, band(0, 1, 199, 1.5f), StartsAfresh},
        {B::cmdTrig, T::TrigTimer, {1024, 500}, band(1020, 4.5f, 0, 1), StartsAfresh},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(350, 100), GoesOn},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(351, 100), StartsAfresh},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(100, 250), GoesOn},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(100, 251), StartsAfresh},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(50, 100), GoesOn, true},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(49, 100), StartsAfresh, true},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(100, 50), GoesOn, true},
        {B::cmdJagged, T::JaggedTimer, {400, 300}, pen(100, 49), StartsAfresh, true},
        {B::cmdRainbow, T::RainTimer, {400, 300}, sweepAt(395), GoesOn},
        {B::cmdRainbow, T::RainTimer, {400, 300}, sweepAt(396), Stops},
        {B::cmdShadedRainbow, T::ShadedRainTimer, {400, 300}, sweepAt(395), GoesOn},
        {B::cmdShadedRainbow, T::ShadedRainTimer, {400, 300}, sweepAt(396), Stops},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i);
        OpenRecorder midi;
        FakeHost host(c.size, nullptr, &midi.link);
        Effects effects(host);
        effects.click(c.button);
        c.setup(host.state(), host.MyPic());
        host.setCaption(QString());
        // Then numbers that differ, or a band's colour draw would never end.
        std::vector<float> numbers{0, 0, c.backwards ? 0.5f : 0, c.backwards ? 0.5f : 0};
        for (int k = 0; k < 40; ++k) {
            numbers.push_back(k % 2 == 0 ? 0.6f : 0.1f);
        }
        platform::ScriptedRandom rnd(numbers);
        host.useNumbers(rnd);
        effects.tick(c.timer);
        EXPECT_EQ(!host.caption().isEmpty(), c.outcome == StartsAfresh);
        EXPECT_EQ(host.timerEnabled(c.timer), c.outcome != Stops);
    }
}

// The instrument of the following notes: drawn anew by Black Holes before it reseeds, by the
// curve bands and Exploding Suns; kept by the others. Some starts play a first note.
TEST(Effects, StartsThatDrawANewInstrumentOrPlayANote) {
    const std::tuple<B, bool, bool> cases[] = {
        {B::CmdBlackHoles, true, false},
        {B::cmdSineWaver, true, true},
        {B::cmdTrig, true, true},
        {B::cmdExplodingSuns, true, true},
        {B::cmdWash, false, true},
        {B::cmdEinsteinWaves, false, false},
        {B::cmdJagged, false, false},
        {B::cmdRainbow, false, false},
        {B::cmdShadedRainbow, false, false},
    };
    for (const auto& [button, draws, plays] : cases) {
        OpenRecorder midi;
        FakeHost host(QSize(400, 300), nullptr, &midi.link);
        host.state().Instrument = 77;
        // Int(0.3 * 80) = 24; a band draws its colour until the levels differ.
        platform::ScriptedRandom rnd(
            {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.6f, 0.3f, 0.3f, 0.3f});
        host.useNumbers(rnd);
        Effects(host).click(button);
        EXPECT_EQ(host.state().Instrument, draws ? 24 : 77) << int(button);
        EXPECT_EQ(playedNotes(midi.log()).size(), plays ? 1u : 0u) << int(button);
    }
}

TEST(BlackHoles, AStartTakesItsCentreColourAndRadiusFromTheNumbersInOrder) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300), nullptr, &midi.link);
    // Instrument, x, y, red, green, blue, radius. Colours are 63..255, halves to even.
    platform::ScriptedRandom rnd({0.5f, 0.25f, 0.75f, 0.0f, 1.0f / 128, 0.99999994f, 0.5f});
    host.useNumbers(rnd);
    Effects(host).click(B::CmdBlackHoles);
    const FormState& s = host.state();
    EXPECT_EQ(s.X1, 100);
    EXPECT_EQ(s.Y1, 225);
    EXPECT_EQ(s.PenColour, RGB(63, 64, 255));
    EXPECT_FLOAT_EQ(s.Radius, 60);
    EXPECT_EQ(host.MyPic().DrawWidth(), 3);
}

TEST(ExplodingSuns, EverySunStartsTheTuneFromItsFirstNote) {
    OpenRecorder midi;
    FakeHost host(QSize(400, 300), nullptr, &midi.link);
    FormState& s = host.state();
    s.DX1 = 1;
    s.TuneIndex = 7;
    Effects effects(host);
    effects.click(B::cmdExplodingSuns);
    s.TuneIndex = 5;
    s.Radius = 290; // the next ring, 304.5, is taller than the surface
    effects.tick(T::ExplodeTimer);
    EXPECT_EQ(playedNotes(midi.log()), (std::vector<int>{12, 17, 12}));
    EXPECT_EQ(s.TuneIndex, 1);
}

// Einstein Waves, a pause of 100 ms in which it already runs, then Black Holes, which moves the
// first point to its own centre; a window closed during the pause starts nothing more.
TEST(GalacticSatellites, WavesThenAPauseThenBlackHolesUnlessTheWindowClosed) {
    for (bool closed : {false, true}) {
        OpenRecorder midi;
        FakeHost host(QSize(400, 300), nullptr, &midi.link);
        host.selectedTune = 1;
        std::vector<float> numbers(15);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            numbers[i] = 0.05f * float(i + 1);
        }
        platform::ScriptedRandom rnd(numbers);
        host.useNumbers(rnd);
        bool wavesRanAlone = false;
        host.duringPause = [&] {
            wavesRanAlone = host.timerEnabled(T::MyTimer) && !host.timerEnabled(T::CircleTimer);
            host.unloaded_ = closed;
        };
        Effects(host).click(B::cmdGalactic);
        const FormState& s = host.state();
        EXPECT_EQ(host.pauses, std::vector<int16_t>{100});
        EXPECT_TRUE(wavesRanAlone);
        EXPECT_EQ(host.timerEnabled(T::CircleTimer), !closed);
        EXPECT_EQ(host.caption(), VersionCaption() + " showing " +
                                      (closed ? "Einstein Waves" : "Black Holes") +
                                      " to tune Major");
        EXPECT_FLOAT_EQ(s.X2, 0.35f * 400); // the seventh number: Einstein Waves' second point
        EXPECT_FLOAT_EQ(s.X1, closed ? 0.25f * 400 : 0.5f * 400); // after the instrument
        EXPECT_EQ(rnd.drawn(), closed ? 8u : 15u);
    }
}

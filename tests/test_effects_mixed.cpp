#include "effects/Effects.h"
#include "music/Tunes.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::ScriptedNumbers;

namespace {

const int32_t Unpainted = RGB(1, 2, 3);

void paintBackground(platform::DrawingSurface& pic) {
    pic.setFillStyle(platform::DrawingSurface::FillSolid);
    pic.setFillColor(Unpainted);
    pic.Circle(pic.ScaleWidth() / 2, pic.ScaleHeight() / 2, 1.0e6f);
    pic.setFillStyle(platform::DrawingSurface::FillTransparent);
    pic.setFillColor(0);
}

bool colourNear(const platform::DrawingSurface& pic, int x, int y, int32_t colour) {
    for (int j = y - 3; j <= y + 3; ++j) {
        for (int i = x - 3; i <= x + 3; ++i) {
            if (pic.pixel(i, j) == colour) {
                return true;
            }
        }
    }
    return false;
}

// A black hole at the centre of a 1024 x 594 surface, start radius 118.8, grey outlines.
const std::vector<float> HoleAtCentre = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                                         0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
const int32_t HoleOutline = RGB(159, 159, 159);

// The program's generator, but reseeded from a counter so that a run repeats.
class RepeatableRandom final : public platform::RandomSource {
public:
    explicit RepeatableRandom(uint64_t seed) : seed_(seed), generator_(seed) {}
    float next() override { return generator_.next(); }
    void reseed() override { generator_.seedWith(seed_ + ++reseeds_); }

private:
    uint64_t seed_;
    uint64_t reseeds_ = 0;
    platform::ClockSeededRandom generator_;
};

class UsingRandom {
public:
    explicit UsingRandom(platform::RandomSource& source) { platform::setRandomSource(&source); }
    ~UsingRandom() { platform::setRandomSource(nullptr); }
};

} // namespace

TEST(SharedSurface, BlackHolesAreFilledBlackAfterEinsteinWaves) {
    OpenRecorder midi;
    FakeHost host;
    platform::DrawingSurface& pic = host.MyPic();
    paintBackground(pic);
    Effects effects(host);
    FormState& s = host.state();
    effects.click(EffectButton::cmdEinsteinWaves);
    s.X1 = 20;
    s.Y1 = 20;
    s.X2 = 60;
    s.Y2 = 20;
    s.DX1 = s.DY1 = s.DX2 = s.DY2 = 0;
    effects.tick(EffectTimer::MyTimer);

    ScriptedNumbers rnd(HoleAtCentre);
    effects.click(EffectButton::CmdBlackHoles);
    effects.tick(EffectTimer::CircleTimer);

    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillSolid);
    EXPECT_EQ(pic.pixel(512, 297), 0);
    EXPECT_EQ(pic.pixel(562, 297), 0);
    EXPECT_TRUE(colourNear(pic, 512 + 107, 297, HoleOutline));
    EXPECT_EQ(pic.pixel(700, 297), Unpainted);
}

TEST(SharedSurface, BlackHolesArePlainRingsAfterExplodingSuns) {
    OpenRecorder midi;
    FakeHost host;
    platform::DrawingSurface& pic = host.MyPic();
    paintBackground(pic);
    Effects effects(host);
    std::vector<float> draws = {0.05f, 0.05f, 0.5f};
    draws.insert(draws.end(), HoleAtCentre.begin(), HoleAtCentre.end());
    ScriptedNumbers rnd(draws);
    effects.click(EffectButton::cmdExplodingSuns);

    effects.click(EffectButton::CmdBlackHoles);
    effects.tick(EffectTimer::CircleTimer);

    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillTransparent);
    EXPECT_EQ(pic.pixel(512, 297), Unpainted);
    EXPECT_EQ(pic.pixel(562, 297), Unpainted);
    EXPECT_TRUE(colourNear(pic, 512 + 107, 297, HoleOutline));
    EXPECT_EQ(pic.pixel(51, 30), RGB(255, 255, 0));
}

TEST(SharedSurface, AnyMixOfPressesTicksAndFreezesKeepsColourAndSoundSane) {
    OpenRecorder midi;
    FakeHost host;
    Effects effects(host);
    FormState& s = host.state();
    RepeatableRandom random(0x1234'5678);
    UsingRandom usingRandom(random);
    std::mt19937 user(77);
    auto chance = [&](int n) { return static_cast<int>(user() % static_cast<unsigned>(n)); };
    auto enabledTimers = [&] {
        std::vector<EffectTimer> on;
        for (int t = 0; t < EffectTimerCount; ++t) {
            if (host.timerEnabled(static_cast<EffectTimer>(t))) {
                on.push_back(static_cast<EffectTimer>(t));
            }
        }
        return on;
    };
    auto freeze = [&] {
        midi.card.MidiReset();
        for (int t = 0; t < EffectTimerCount; ++t) {
            host.setTimerEnabled(static_cast<EffectTimer>(t), false);
        }
    };
    auto checkState = [&](const std::string& step) {
        for (int16_t level : {s.RedLevel, s.GreenLevel, s.BlueLevel}) {
            ASSERT_GE(level, 0) << step;
            ASSERT_LE(level, 255) << step;
        }
        ASSERT_LE(midi.log().soundingNotes().size(), 1u) << step;
    };
    // Einstein Waves keeps ticking while Galactic Satellites pauses.
    host.duringPause = [&] {
        for (int i = 0; i < 1 + chance(4); ++i) {
            effects.tick(EffectTimer::MyTimer);
            checkState("tick during pause");
        }
    };

    for (int step = 0; step < 4000; ++step) {
        const auto started = std::chrono::steady_clock::now();
        const int action = chance(100);
        std::string what;
        const std::vector<EffectTimer> on = enabledTimers();
        if (action < 70 && !on.empty()) {
            const EffectTimer timer =
                on[static_cast<std::size_t>(chance(static_cast<int>(on.size())))];
            what = "tick " + std::to_string(static_cast<int>(timer));
            effects.tick(timer);
        } else if (action < 88) {
            const auto button = static_cast<EffectButton>(chance(EffectButtonCount));
            what = "click " + std::to_string(static_cast<int>(button));
            effects.click(button);
        } else if (action < 92) {
            what = "freeze";
            freeze();
            ASSERT_TRUE(midi.log().soundingNotes().empty()) << step;
        } else if (action < 96) {
            const int option = chance(Tunes::OptionCount);
            what = "tune " + std::to_string(option);
            host.selectedTune = option;
            Tunes::LoadTune(s, option);
        } else if (action < 98) {
            what = "clear";
            host.MyPic().Cls();
        } else {
            const int sizes[][2] = {{1024, 594}, {1, 1}, {7, 3}, {300, 900}, {1200, 40}};
            const auto& size = sizes[chance(5)];
            what = "resize";
            host.MyPic().resize(QSize(size[0], size[1]));
        }
        checkState("step " + std::to_string(step) + " " + what);
        if (HasFatalFailure()) {
            return;
        }
        const auto took = std::chrono::steady_clock::now() - started;
        ASSERT_LT(took, std::chrono::seconds(5)) << "step " << step << " " << what;
    }
    freeze();
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    EXPECT_GT(host.playNoteCalls, 1000);
}

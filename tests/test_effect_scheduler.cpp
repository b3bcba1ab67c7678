// How fast the Effect timers run, and when they stop; no window needed.
#include "effects/EffectScheduler.h"
#include "effects/EffectTable.h"
#include "platform/VirtualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using T = EffectTimer;

std::vector<int> intervals(const EffectScheduler& s) {
    std::vector<int> all;
    for (int t = 0; t < EffectTimerCount; ++t) {
        all.push_back(s.interval(T(t)));
    }
    return all;
}

std::vector<T> running(const EffectScheduler& s) {
    return testing_support::runningTimers([&s](T t) { return s.enabled(t); });
}

// In the timers' order: Einstein Waves, Saturated Rainbow, Meteorites, Jagged Maze, Black Holes,
// Spectral Flood, Exploding Suns, Cosmic Sines, Trigonometric Trajectories.
TEST(EffectScheduler, DesignIntervalsThenSixFollowTheSliderAtLoad) {
    const std::vector<int> design{50, 10, 20, 5, 30, 5, 10, 5, 10};
    struct Case {
        int speed;
        std::vector<int> atLoad;
    };
    // Exploding Suns, Cosmic Sines and Trigonometric Trajectories keep their design values.
    const Case cases[] = {{50, {20, 20, 20, 20, 20, 20, 10, 5, 10}},
                          {16, {62, 62, 62, 62, 62, 62, 10, 5, 10}},
                          {400, {2, 2, 2, 2, 2, 2, 10, 5, 10}}};
    for (const Case& c : cases) {
        platform::VirtualClock clock;
        EffectScheduler s([](T) {}, clock);
        EXPECT_EQ(intervals(s), design);
        s.load(c.speed);
        EXPECT_EQ(intervals(s), c.atLoad) << c.speed;
    }
}

TEST(EffectScheduler, OnceTheSliderMovesSevenRunAt1000AndTwoAt2000PerValue) {
    struct Case {
        int speed, fast, slow;
    };
    // Rounded to nearest, halves to even: 62.5, 12.5 and 2.5 go down, 142.86 up. Back at 50,
    // where it was at load, Cosmic Sines runs at 40 ms, no longer at 5.
    const Case cases[] = {{1, 1000, 2000}, {7, 143, 286}, {16, 62, 125}, {32, 31, 62},
                          {80, 12, 25},    {160, 6, 12},  {400, 2, 5},   {50, 20, 40}};
    platform::VirtualClock clock;
    EffectScheduler s([](T) {}, clock);
    s.load(50);
    for (const auto& [speed, fast, slow] : cases) {
        s.setSpeed(speed);
        EXPECT_EQ(intervals(s),
                  (std::vector<int>{fast, fast, fast, fast, fast, fast, fast, slow, slow}))
            << speed;
    }
    EXPECT_TRUE(running(s).empty()) << "a speed change starts nothing";
}

TEST(EffectScheduler, FreezeStopsAllUntilRestartedAndUnloadForGood) {
    platform::VirtualClock clock;
    EffectScheduler s([](T) {}, clock);
    s.load(50);
    s.setEnabled(T::MyTimer, true);
    s.setEnabled(T::TrigTimer, true);
    s.stopAll();
    EXPECT_TRUE(running(s).empty());
    s.setEnabled(T::WashTimer, true);
    EXPECT_EQ(running(s), std::vector<T>{T::WashTimer}) << "an Effect may start again";

    s.unload();
    EXPECT_TRUE(s.unloaded());
    EXPECT_TRUE(running(s).empty());
    s.setEnabled(T::WashTimer, true);
    EXPECT_TRUE(running(s).empty()) << "nothing starts after unload";
}

TEST(EffectScheduler, EachTimerTicksItsOwnEffectAtItsInterval) {
    std::vector<T> ticks;
    platform::VirtualClock clock;
    EffectScheduler s([&ticks](T t) { ticks.push_back(t); }, clock);
    s.setSpeed(400);
    for (int t = 0; t < EffectTimerCount; ++t) {
        ticks.clear();
        s.setEnabled(T(t), true);
        clock.advanceBy(10 * s.interval(T(t)));
        s.setEnabled(T(t), false);
        clock.advanceBy(100);
        EXPECT_EQ(ticks, std::vector<T>(10, T(t))) << t;
    }
}

} // namespace

#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Virtual time fires every due timer in time order, ties in the order the timers were made,
// each exactly at its interval, also when a handler pauses, stops or starts timers.
namespace {

using platform::TimerKind;

struct Fired {
    std::string name;
    uint64_t atMs;
};

TEST(VirtualClock, FiresDueTimersInTimeOrderTiesInCreationOrder) {
    platform::VirtualClock clock;
    std::vector<Fired> fired;
    auto note = [&](const char* name) {
        return [&fired, &clock, name] {
            fired.push_back({name, clock.nowNanoseconds() / 1'000'000});
        };
    };
    auto b = clock.makeTimer(10, note("b"));
    auto a = clock.makeTimer(5, note("a"));
    auto once = clock.makeTimer(10, note("once"), TimerKind::SingleShot);
    a->start();
    b->start();
    once->start();
    clock.advanceBy(20);
    const std::vector<std::pair<std::string, uint64_t>> expected{
        {"a", 5}, {"b", 10}, {"a", 10}, {"once", 10}, {"a", 15}, {"b", 20}, {"a", 20}};
    ASSERT_EQ(fired.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fired[i].name, expected[i].first) << i;
        EXPECT_EQ(fired[i].atMs, expected[i].second) << i;
    }
    EXPECT_FALSE(once->isActive());
    EXPECT_EQ(clock.nowNanoseconds(), 20'000'000u);
}

TEST(VirtualClock, AHandlerThatPausesLetsTheOtherTimersTickMeanwhile) {
    platform::VirtualClock clock;
    int fastTicks = 0;
    std::vector<uint64_t> slowAt;
    auto fast = clock.makeTimer(10, [&] { ++fastTicks; });
    std::unique_ptr<platform::Timer> slow;
    slow = clock.makeTimer(50, [&] {
        slowAt.push_back(clock.nowNanoseconds() / 1'000'000);
        slow->stop();
        clock.pause(100);
        slow->start();
    });
    fast->start();
    slow->start();
    clock.advanceBy(400);
    // slow: at 50, pauses to 150, starts again, 200, pauses to 300, 350, pauses to 450;
    // fast ticks all through, inside the pauses too.
    EXPECT_EQ(slowAt, (std::vector<uint64_t>{50, 200, 350}));
    EXPECT_EQ(fastTicks, 45);
    EXPECT_EQ(clock.nowNanoseconds(), 450'000'000u);
}

TEST(VirtualClock, ANewIntervalCountsFromNowAndAStoppedTimerStaysSilent) {
    platform::VirtualClock clock;
    std::vector<uint64_t> at;
    auto t = clock.makeTimer(30, [&] { at.push_back(clock.nowNanoseconds() / 1'000'000); });
    t->start();
    clock.advanceBy(40);
    t->setInterval(5);
    clock.advanceBy(12);
    t->stop();
    clock.advanceBy(100);
    EXPECT_EQ(at, (std::vector<uint64_t>{30, 45, 50}));
}

// A frame every 1/30 s, at times that are no whole milliseconds: each one sees what ran until
// its time and nothing later, also while a handler pauses across several frames.
TEST(VirtualClock, AWatchSeesEveryTimeItsDueOnceAlsoInsideAPause) {
    platform::VirtualClock clock;
    std::vector<uint64_t> ticks;
    auto tick = clock.makeTimer(20, [&] {
        ticks.push_back(clock.nowNanoseconds());
        if (ticks.size() == 2) {
            clock.pause(100);
        }
    });
    tick->start();
    struct Frame {
        uint64_t at;
        std::size_t ticksSeen;
    };
    std::vector<Frame> frames;
    const auto frameTime = [](uint64_t k) { return k * 1'000'000'000u / 30; };
    std::function<void()> grab = [&] {
        frames.push_back({clock.nowNanoseconds(), ticks.size()});
        clock.watch(frameTime(frames.size()), grab);
    };
    clock.watch(0, grab);
    clock.advanceTo(frameTime(9));
    ASSERT_EQ(frames.size(), 10u);
    for (std::size_t k = 0; k < frames.size(); ++k) {
        EXPECT_EQ(frames[k].at, frameTime(k)) << k;
        // Ticks at 20 and 40 ms; the second pauses until 140 while the timer goes on at
        // 60, 80, ... (the ticks at 60..140 run inside the pause).
        std::size_t due = 0;
        for (uint64_t t = 20'000'000; t <= frames[k].at; t += 20'000'000) {
            ++due;
        }
        EXPECT_EQ(frames[k].ticksSeen, due) << k;
    }
}

} // namespace

#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

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

} // namespace

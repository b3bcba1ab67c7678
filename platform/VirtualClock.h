#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <vector>

namespace platform {

// Time that passes only when told to. Advancing fires every due timer in time order (ties
// in the order the timers were made), each exactly at its interval; a handler may start and
// stop timers and pause, which advances time further from within.
class VirtualClock final : public Clock {
public:
    VirtualClock() = default;
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    uint64_t nowNanoseconds() const override { return now_; }
    std::unique_ptr<Timer> makeTimer(int intervalMs, std::function<void()> callback,
                                     TimerKind kind = TimerKind::Repeating,
                                     TimerPrecision precision = TimerPrecision::Precise) override;
    void pause(int milliseconds) override;

    void advanceTo(uint64_t nanoseconds);
    void advanceBy(int milliseconds);

    // Calls reached once, the first time the clock is about to go past the given time (a
    // pause included), when everything due until then has run; the clock reads that time
    // meanwhile. The callback may watch for the next time. One watch at a time.
    void watch(uint64_t nanoseconds, std::function<void()> reached);

    class VirtualTimer;

private:
    friend class VirtualTimer;
    uint64_t now_ = 0;
    uint64_t made_ = 0;
    std::vector<VirtualTimer*> timers_;
    uint64_t watchAt_ = 0;
    std::function<void()> reached_;
};

} // namespace platform

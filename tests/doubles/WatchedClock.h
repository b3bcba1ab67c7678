#pragma once

#include "platform/Clock.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// Another clock's time, pauses and timers, with the timers it made on view: whether one of
// an interval runs, and timers of an interval kept from ever running (the advertisement's,
// where a benchmark measures something else).
class WatchedClock final : public Clock {
public:
    // Timers made with an interval of heldBack never run.
    explicit WatchedClock(Clock& inner, std::vector<int> heldBack = {})
        : inner_(inner), heldBack_(std::move(heldBack)) {}
    // Whether a timer made with this interval, and still there, runs.
    bool running(int intervalMs) const;

    uint64_t nowNanoseconds() const override { return inner_.nowNanoseconds(); }
    std::unique_ptr<Timer> makeTimer(int intervalMs, std::function<void()> callback, TimerKind kind,
                                     TimerPrecision precision) override;
    void pause(int milliseconds) override { inner_.pause(milliseconds); }

private:
    class Watched;
    Clock& inner_;
    const std::vector<int> heldBack_;
    std::vector<Watched*> made_;
};

} // namespace platform

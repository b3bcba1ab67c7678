#pragma once

#include "platform/Clock.h"

namespace platform {

// The real clock: monotonic time, timers on QTimer, pauses that handle the application's
// events until they end.
class QtClock final : public Clock {
public:
    uint64_t nowNanoseconds() const override { return monotonicNanoseconds(); }
    std::unique_ptr<Timer> makeTimer(int intervalMs, std::function<void()> callback,
                                     TimerKind kind = TimerKind::Repeating,
                                     TimerPrecision precision = TimerPrecision::Precise) override;
    // Waits until more than the milliseconds have passed, handling events at least once
    // meanwhile; a negative wait returns at once.
    void pause(int milliseconds) override;
};

// The program's real clock; it holds no state.
QtClock& realClock();

} // namespace platform

#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// Monotonic: waits must not care about midnight or the wall clock being set.
inline double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline uint64_t monotonicNanoseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace platform

#include <functional>
#include <memory>

namespace platform {

// A timer made by a Clock: single-shot or repeating, calling its callback every interval
// while it runs. Starting a running timer, or changing its interval while it runs,
// starts its interval again from now.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual bool isActive() const = 0;
};

enum class TimerKind { Repeating, SingleShot };
enum class TimerPrecision { Coarse, Precise };

// Where the program reads time: its timers and its pauses. The real clock runs on the
// event loop; a virtual one runs only when told to.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t nowNanoseconds() const = 0;
    virtual std::unique_ptr<Timer>
    makeTimer(int intervalMs, std::function<void()> callback, TimerKind kind = TimerKind::Repeating,
              TimerPrecision precision = TimerPrecision::Precise) = 0;
    // Lets more than the given milliseconds pass while other handlers run.
    virtual void pause(int milliseconds) = 0;
};

} // namespace platform

#pragma once

#include "platform/QtClock.h"

#include <functional>
#include <memory>
#include <utility>

namespace bench {

// The real clock, with a look after every timeout: `after(n)` runs once the handler of the
// n-th timer this clock made (counted from 0) has run.
class ObservedClock final : public platform::Clock {
public:
    std::function<void(int)> after;

    uint64_t nowNanoseconds() const override { return platform::realClock().nowNanoseconds(); }
    std::unique_ptr<platform::Timer> makeTimer(int intervalMs, std::function<void()> callback,
                                               platform::TimerKind kind,
                                               platform::TimerPrecision precision) override {
        const int n = made_++;
        return platform::realClock().makeTimer(
            intervalMs,
            [this, n, callback = std::move(callback)] {
                callback();
                if (after) {
                    after(n);
                }
            },
            kind, precision);
    }
    void pause(int milliseconds) override { platform::realClock().pause(milliseconds); }

private:
    int made_ = 0;
};

} // namespace bench

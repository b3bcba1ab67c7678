#include "platform/VirtualClock.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {
constexpr uint64_t kNanosecondsPerMs = 1'000'000;
} // namespace

class VirtualClock::VirtualTimer final : public Timer {
public:
    VirtualTimer(VirtualClock& clock, int intervalMs, std::function<void()> callback,
                 TimerKind kind)
        : clock_(&clock), order(clock.made_++), callback_(std::move(callback)),
          interval_(intervalMs), singleShot_(kind == TimerKind::SingleShot) {
        clock.timers_.push_back(this);
    }
    ~VirtualTimer() override {
        if (clock_ != nullptr) {
            std::erase(clock_->timers_, this);
        }
    }

    void start() override {
        active_ = true;
        due = clock_ != nullptr ? clock_->now_ + step() : 0;
    }
    void stop() override { active_ = false; }
    void setInterval(int milliseconds) override {
        interval_ = milliseconds;
        if (active_) {
            start();
        }
    }
    int interval() const override { return interval_; }
    bool isActive() const override { return active_; }

    // Called when the timer is due: the next due time is set before the handler runs, so
    // that the handler may stop or restart the timer.
    void fire() {
        if (singleShot_) {
            active_ = false;
        } else {
            due += step();
        }
        callback_();
    }
    void forget() {
        clock_ = nullptr;
        active_ = false;
    }

    VirtualClock* clock_;
    const uint64_t order;
    uint64_t due = 0;

private:
    // A zero interval fires once per millisecond of virtual time, never in a loop.
    uint64_t step() const {
        return static_cast<uint64_t>(std::max(interval_, 1)) * kNanosecondsPerMs;
    }

    std::function<void()> callback_;
    int interval_;
    bool singleShot_;
    bool active_ = false;
};

VirtualClock::~VirtualClock() {
    for (VirtualTimer* t : timers_) {
        t->forget();
    }
}

std::unique_ptr<Timer> VirtualClock::makeTimer(int intervalMs, std::function<void()> callback,
                                               TimerKind kind, TimerPrecision) {
    return std::make_unique<VirtualTimer>(*this, intervalMs, std::move(callback), kind);
}

void VirtualClock::advanceTo(uint64_t nanoseconds) {
    for (;;) {
        VirtualTimer* next = nullptr;
        for (VirtualTimer* t : timers_) {
            if (t->isActive() && t->due <= nanoseconds &&
                (next == nullptr || t->due < next->due ||
                 (t->due == next->due && t->order < next->order))) {
                next = t;
            }
        }
        if (reached_ && watchAt_ <= nanoseconds && (next == nullptr || watchAt_ < next->due)) {
            now_ = std::max(now_, watchAt_);
            std::exchange(reached_, {})();
            continue;
        }
        if (next == nullptr) {
            break;
        }
        now_ = std::max(now_, next->due);
        next->fire();
    }
    now_ = std::max(now_, nanoseconds);
}

void VirtualClock::watch(uint64_t nanoseconds, std::function<void()> reached) {
    watchAt_ = nanoseconds;
    reached_ = std::move(reached);
}

void VirtualClock::advanceBy(int milliseconds) {
    advanceTo(now_ + static_cast<uint64_t>(std::max(milliseconds, 0)) * kNanosecondsPerMs);
}

void VirtualClock::pause(int milliseconds) {
    advanceBy(milliseconds);
}

} // namespace platform

#include "doubles/WatchedClock.h"

#include <algorithm>

namespace platform {

class WatchedClock::Watched final : public Timer {
public:
    Watched(std::unique_ptr<Timer> timer, int madeWith, bool heldBack, std::vector<Watched*>& made)
        : timer_(std::move(timer)), madeWith_(madeWith), heldBack_(heldBack), made_(made) {
        made_.push_back(this);
    }
    ~Watched() override { std::erase(made_, this); }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

    void start() override {
        if (!heldBack_) {
            timer_->start();
        }
    }
    void stop() override { timer_->stop(); }
    void setInterval(int milliseconds) override { timer_->setInterval(milliseconds); }
    int interval() const override { return timer_->interval(); }
    bool isActive() const override { return timer_->isActive(); }
    int madeWith() const { return madeWith_; }

private:
    std::unique_ptr<Timer> timer_;
    const int madeWith_;
    const bool heldBack_;
    std::vector<Watched*>& made_;
};

bool WatchedClock::running(int intervalMs) const {
    return std::any_of(made_.begin(), made_.end(), [intervalMs](const Watched* t) {
        return t->madeWith() == intervalMs && t->isActive();
    });
}

std::unique_ptr<Timer> WatchedClock::makeTimer(int intervalMs, std::function<void()> callback,
                                               TimerKind kind, TimerPrecision precision) {
    const bool held = std::find(heldBack_.begin(), heldBack_.end(), intervalMs) != heldBack_.end();
    return std::make_unique<Watched>(
        inner_.makeTimer(intervalMs, std::move(callback), kind, precision), intervalMs, held,
        made_);
}

} // namespace platform

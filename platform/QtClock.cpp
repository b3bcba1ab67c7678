#include "platform/QtClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

namespace platform {

namespace {
class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> callback, TimerKind kind,
            TimerPrecision precision) {
        timer_.setInterval(intervalMs);
        timer_.setSingleShot(kind == TimerKind::SingleShot);
        timer_.setTimerType(precision == TimerPrecision::Precise ? Qt::PreciseTimer
                                                                 : Qt::CoarseTimer);
        QObject::connect(&timer_, &QTimer::timeout, std::move(callback));
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    void setInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int interval() const override { return timer_.interval(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};
} // namespace

std::unique_ptr<Timer> QtClock::makeTimer(int intervalMs, std::function<void()> callback,
                                          TimerKind kind, TimerPrecision precision) {
    return std::make_unique<QtTimer>(intervalMs, std::move(callback), kind, precision);
}

void QtClock::pause(int milliseconds) {
    if (milliseconds < 0) {
        return;
    }
    const double start = monotonicSeconds();
    const float limit = static_cast<float>(milliseconds) / 1000.0f;
    bool handled = false;
    for (;;) {
        const auto elapsed = static_cast<float>(monotonicSeconds() - start);
        if (handled && elapsed > limit) {
            return;
        }
        // Handle events until the deadline without spinning: a nested loop woken by a timer.
        const double remaining = static_cast<double>(limit) - static_cast<double>(elapsed);
        const int wait = std::max(0, static_cast<int>(std::ceil(remaining * 1000.0))) + 1;
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(wait);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // A nested loop refuses to run once the program is quitting: then just sleep.
        if (deadline.isActive() && loop.exec() < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        }
        handled = true;
    }
}

QtClock& realClock() {
    static QtClock clock;
    return clock;
}

} // namespace platform

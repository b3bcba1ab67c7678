#include "effects/EffectScheduler.h"

#include "effects/EffectTable.h"

#include <cmath>

EffectScheduler::EffectScheduler(Tick tick, platform::Clock& clock) {
    for (int i = 0; i < EffectTimerCount; ++i) {
        const auto id = static_cast<EffectTimer>(i);
        timers_[static_cast<std::size_t>(i)] =
            clock.makeTimer(effectDesign(id).designInterval, [tick, id] { tick(id); });
    }
}

EffectScheduler::~EffectScheduler() = default;

int EffectScheduler::intervalFor(int divisor, int speed) {
    // The current rounding mode is to nearest, ties to even: 62.5 gives 62, 12.5 gives 12.
    return static_cast<int>(std::nearbyint(static_cast<double>(divisor) / speed));
}

void EffectScheduler::load(int speed) {
    for (const EffectDesign& design : EffectTable) {
        if (design.timer && design.followsSliderAtLoad) {
            timer(*design.timer).setInterval(intervalFor(design.speedDivisor, speed));
        }
    }
}

void EffectScheduler::setSpeed(int speed) {
    for (const EffectDesign& design : EffectTable) {
        if (design.timer) {
            timer(*design.timer).setInterval(intervalFor(design.speedDivisor, speed));
        }
    }
}

platform::Timer& EffectScheduler::timer(EffectTimer t) const {
    return *timers_[static_cast<std::size_t>(t)];
}

void EffectScheduler::setEnabled(EffectTimer t, bool enabled) {
    platform::Timer& qt = timer(t);
    if (unloaded_) {
        return;
    }
    if (enabled && !qt.isActive()) {
        qt.start();
    } else if (!enabled) {
        qt.stop();
    }
}

bool EffectScheduler::enabled(EffectTimer t) const {
    return timer(t).isActive();
}

int EffectScheduler::interval(EffectTimer t) const {
    return timer(t).interval();
}

void EffectScheduler::stopAll() {
    for (auto& t : timers_) {
        t->stop();
    }
}

void EffectScheduler::unload() {
    unloaded_ = true;
    stopAll();
}

#pragma once

#include "effects/EffectHost.h"
#include "platform/Clock.h"

#include <array>
#include <functional>
#include <memory>

// The nine Effect timers and how fast they run, made by the clock the program reads time
// through. Until the speed slider first moves, three of them keep their design intervals;
// from then on every interval follows the slider. Freeze stops them all; after unload none
// starts again.
class EffectScheduler {
public:
    using Tick = std::function<void(EffectTimer)>;
    // Each timeout calls tick with the timer that fired. The timers are made in the order of
    // EffectTimer.
    EffectScheduler(Tick tick, platform::Clock& clock);
    ~EffectScheduler();
    EffectScheduler(const EffectScheduler&) = delete;
    EffectScheduler& operator=(const EffectScheduler&) = delete;

    // At load: the timers whose intervals follow the slider from the start take it up.
    void load(int speed);
    // The slider moved: every interval follows it.
    void setSpeed(int speed);

    void setEnabled(EffectTimer timer, bool enabled);
    bool enabled(EffectTimer timer) const;
    int interval(EffectTimer timer) const;

    // Freeze: every timer stops; an Effect may start its timer again.
    void stopAll();
    // Every timer stops for good.
    void unload();
    bool unloaded() const { return unloaded_; }

    // divisor / speed in whole milliseconds, a half rounded to the even neighbour.
    static int intervalFor(int divisor, int speed);

private:
    platform::Timer& timer(EffectTimer timer) const;

    std::array<std::unique_ptr<platform::Timer>, EffectTimerCount> timers_;
    bool unloaded_ = false;
};

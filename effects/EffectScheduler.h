#pragma once

#include "effects/EffectHost.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

// The nine Effect timers and how fast they run. Until the speed slider first moves, three of
// them keep their design intervals; from then on every interval follows the slider. Freeze
// stops them all; after unload none starts again.
class EffectScheduler : public QObject {
    Q_OBJECT
public:
    using Tick = std::function<void(EffectTimer)>;
    // Each timeout calls tick with the timer that fired.
    explicit EffectScheduler(Tick tick, QObject* parent = nullptr);
    ~EffectScheduler() override;

    // At load: the timers whose intervals follow the slider from the start take it up.
    void load(int speed);
    // The slider moved: every interval follows it.
    void setSpeed(int speed);

    void setEnabled(EffectTimer timer, bool enabled);
    bool enabled(EffectTimer timer) const;
    int interval(EffectTimer timer) const;
    QTimer& timer(EffectTimer timer);

    // Freeze: every timer stops; an Effect may start its timer again.
    void stopAll();
    // Every timer stops for good.
    void unload();
    bool unloaded() const { return unloaded_; }

    // divisor / speed in whole milliseconds, a half rounded to the even neighbour.
    static int intervalFor(int divisor, int speed);

private:
    std::array<std::unique_ptr<QTimer>, EffectTimerCount> timers_;
    bool unloaded_ = false;
};

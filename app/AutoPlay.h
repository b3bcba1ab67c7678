#pragma once

#include "app/Director.h"
#include "platform/Clock.h"

#include <QObject>

#include <cstdint>
#include <memory>

class frmGraphicsPlay;

// The director's hands on the main window: the panel's buttons, options and slider, as a
// click would use them.
class PanelControls final : public DirectorControls {
public:
    explicit PanelControls(frmGraphicsPlay& window) : window_(window) {}

    void startEffect(EffectButton button) override;
    void chooseTune(int option) override;
    void setSpeed(int value) override;
    void clearSurface() override;
    void freeze() override;
    int runningTimers() const override;
    int coveredPercent() const override;

private:
    frmGraphicsPlay& window_;
};

// Runs the director on the main window until the user takes over: any key pressed or mouse
// button clicked anywhere in the program ends it, and what runs then keeps running. As a
// screensaver's, it runs until the end, whatever the input.
class AutoPlay final : public QObject {
public:
    enum class Input { EndsIt, Ignored };
    AutoPlay(frmGraphicsPlay& window, uint64_t seed, int fixedSpeed, Input input,
             platform::Clock& clock);
    ~AutoPlay() override;
    AutoPlay(const AutoPlay&) = delete;
    AutoPlay& operator=(const AutoPlay&) = delete;

    void start();
    bool running() const { return running_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void act();
    int64_t elapsedMs() const;

    PanelControls controls_;
    Director director_;
    const Input input_;
    platform::Clock& clock_;
    std::unique_ptr<platform::Timer> next_;
    uint64_t startedAt_ = 0;
    bool running_ = false;
};

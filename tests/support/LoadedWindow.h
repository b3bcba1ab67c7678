#pragma once

#include "app/frmGraphicsPlay.h"
#include "doubles/WatchedClock.h"
#include "platform/QtClock.h"
#include "support/TestSupport.h"

namespace testing_support {

// A loaded, active main window on the recording device, as after start-up; the information
// windows close with it. Its numbers come from a generator of its own, or from the one
// given, which must outlive it.
struct LoadedWindow {
    OpenRecorder midi;
    platform::ClockSeededRandom ownRandom;
    // The real clock, its timers on view.
    platform::WatchedClock clock{platform::realClock()};
    frmGraphicsPlay form;

    explicit LoadedWindow(platform::RandomSource* random = nullptr);
    ~LoadedWindow();
    // A key to what has the focus here; Qt tries it as shortcut override and access key first.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool anyEffectTimerRunning() const;
    bool adTimerRunning() const { return clock.running(frmGraphicsPlay::adEveryMs); }
};

} // namespace testing_support

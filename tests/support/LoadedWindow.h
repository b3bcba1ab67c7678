#pragma once

#include "app/frmGraphicsPlay.h"
#include "platform/QtClock.h"
#include "support/TestSupport.h"

namespace testing_support {

// A loaded, active main window on the recording device, as after start-up; the information
// windows close with it.
struct LoadedWindow {
    OpenRecorder midi;
    frmGraphicsPlay form{midi.card, platform::realClock()};

    LoadedWindow();
    ~LoadedWindow();
    // A key to what has the focus here; Qt tries it as shortcut override and access key first.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool anyEffectTimerRunning() const;
};

} // namespace testing_support

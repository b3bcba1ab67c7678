#pragma once

#include "music/PemSoundsModule.h"
#include "platform/Clock.h"
#include "platform/Random.h"

#include <QSize>

#include <optional>

namespace app {

// What the main window and everything it runs share, made by whoever starts them (the
// program, or a render on its virtual clock) and handed down by reference; it must outlive
// the window.
struct ProgramContext {
    // Every timer and pause of the main window and its Effects.
    platform::Clock& clock;
    // Rnd and Randomize of the Effects, the notes and the advertisement.
    platform::RandomSource& random;
    // A normal resizable window of this size (--windowed); full screen when empty.
    std::optional<QSize> windowed;
    // The MIDI output the program's sound card opens and its tones sound through.
    PemSoundsModule::Link& sound;
};

} // namespace app

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The built-in synthesizer's adjustable settings: the program runs with the defaults, its
// tests change them through FluidSynthOutTesting.h.
namespace platform::synth {

struct Tuning {
    // Where to look for sound fonts after ZELPHOR_SOUNDFONT; the usual places when unset.
    std::optional<std::vector<std::string>> soundFontPlaces;
    // Library audio drivers to try, in order; the usual choice when unset.
    std::optional<std::vector<std::string>> audioDrivers;
    std::string audioFileName;
    // The audio output pauses after this long without a sounding voice.
    std::chrono::milliseconds idlePause{3000};
    std::chrono::milliseconds idleCheck{500};
    // Released voices count as silent once this long has passed since the last message:
    // longer than any release in the General MIDI fonts we look for.
    std::chrono::milliseconds releaseLimit{10000};
    // Every instrument's samples are loaded this long after the device opens.
    bool preload = true;
    std::chrono::milliseconds preloadDelay{1500};
};

// A copy of the settings in force.
Tuning currentTuning();

} // namespace platform::synth

#pragma once

#include "platform/synth/SynthEngine.h"

#include <optional>
#include <string>
#include <vector>

// Finding and loading a General MIDI sound font, and how loud each font is played.
namespace platform::synth {

struct LoadedFont {
    int id = -1;
    std::string path;
};

// Loads the first usable candidate. A ZELPHOR_SOUNDFONT that cannot be used is named on
// standard error together with the font used instead.
std::optional<LoadedFont> loadFirstSoundFont(fluid_synth_t* synth, const SynthSettings& settings,
                                             Failure* failure);

// Places in one folder share it, so that the list fits the 255 characters of an error box.
std::string describePlaces(const std::vector<std::string>& paths);

// The synthesizer gain for a font, measured so that a full-velocity note peaks between
// -12 and -3 dBFS: fonts differ by more than 10 dB at the same gain.
float gainFor(const std::string& path);

} // namespace platform::synth

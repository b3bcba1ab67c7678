#pragma once

#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The built-in synthesizer set up for its tests and benchmarks. The settings made here apply
// to the devices of synthesizer() and to offline synthesizers made with settings(), from
// their next read on.
namespace platform::synth_testing {

// The built-in synthesizer's device slot, reading the settings below.
MidiOutFactory synthesizer();
// The settings in force.
SynthSettings settings();

// Tries only these library audio drivers, in order. The "file" driver writes raw 16-bit
// stereo to fileName, paced like a sound card, so the audio path runs without a server.
void useAudioDrivers(std::vector<std::string> drivers, std::string fileName = {});

// Changes the other settings in force (the places searched for fonts, the idle pause, the
// release limit, the preloading).
void configure(const std::function<void(SynthSettings&)>& change);

// Undoes all of the above.
void restoreDefaults();

// Null when device is not the built-in synthesizer.
std::optional<SynthesizerState> inspect(MidiOutDevice& device);

// Waits until every message sent to the built-in synthesizer so far has reached the
// synthesizer; false on time-out or when device is another one.
bool waitUntilApplied(MidiOutDevice& device, std::chrono::milliseconds limit);

// The General MIDI fonts installed in the usual places, each once.
std::vector<std::string> installedSoundFonts();

} // namespace platform::synth_testing

#pragma once

#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
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

// Looks for sound fonts only in places (after ZELPHOR_SOUNDFONT) instead of the usual ones.
void lookForSoundFontsOnlyIn(std::vector<std::string> places);

// Tries only these library audio drivers, in order. The "file" driver writes raw 16-bit
// stereo to fileName, paced like a sound card, so the audio path runs without a server.
void useAudioDrivers(std::vector<std::string> drivers, std::string fileName = {});

// Pauses the audio output after pauseAfter without a sounding voice, checking every checkEvery.
void setIdlePause(std::chrono::milliseconds pauseAfter, std::chrono::milliseconds checkEvery);

// Released voices count as silent once this long has passed since the last message.
void setReleaseLimit(std::chrono::milliseconds limit);

// Loads every instrument ahead after delay, or never.
void setPreload(bool enabled, std::chrono::milliseconds delay = std::chrono::milliseconds(0));

// Undoes all of the above.
void restoreDefaults();

using BuiltInSynthesizerState = SynthesizerState;

// Null when device is not the built-in synthesizer.
std::optional<BuiltInSynthesizerState> inspect(MidiOutDevice& device);

// Waits until every message sent to the built-in synthesizer so far has reached the
// synthesizer; false on time-out or when device is another one.
bool waitUntilApplied(MidiOutDevice& device, std::chrono::milliseconds limit);

// The target latency the output asks the audio server for.
double configuredOutputLatencyMs();

// The General MIDI fonts installed in the usual places, each once.
std::vector<std::string> installedSoundFonts();

} // namespace platform::synth_testing

#pragma once

#include "platform/MidiOut.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Hooks into the built-in synthesizer for its tests and benchmarks; the program never calls them.
// Settings made here apply to devices opened afterwards.
namespace platform::synth_testing {

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

struct BuiltInSynthesizerState {
    bool audioRunning = false;
    int audioStarts = 0; // the open counts as the first
    int activeVoices = 0;
    int presetsLoaded = 0; // of the 81 loaded ahead
    int dropped = 0;       // messages dropped from a full queue
};

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

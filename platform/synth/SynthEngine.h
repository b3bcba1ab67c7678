#pragma once

#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"
#include "platform/synth/SynthLibrary.h"

#include <optional>
#include <string>

// A synthesizer with its settings and one General MIDI sound font loaded.
namespace platform::synth {

inline constexpr double kSampleRate = 44100.0;
inline constexpr int kChannels = 16;

// Settings outlive the synthesizer, which outlives any driver: members in that order.
struct Engine {
    SettingsPtr settings;
    SynthPtr synth;
    int fontId = -1;
    std::string fontPath;
};

struct Failure {
    MMRESULT code = ZELPHOR_ERR_SYNTH;
    std::string detail;
};

// The settings every synthesizer of ours is made with, audio output included.
void configure(fluid_settings_t* settings);

std::optional<Engine> createEngine(double sampleRate, const SynthSettings& settings,
                                   Failure* failure);

} // namespace platform::synth

namespace platform::synth {

struct Voices {
    int sounding = 0;
    int held = 0; // key down or kept by a pedal: not yet in their release
};

Voices voicesOf(fluid_synth_t* synth);

} // namespace platform::synth

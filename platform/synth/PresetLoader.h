#pragma once

#include <fluidsynth.h>

#include <array>

// Reads every instrument the program can choose (programs 0 to 79 and the drum kit) once
// per run. With samples loaded on demand, the library reads and decodes a preset's samples
// when a channel selects it and frees them as soon as no channel holds it any more, so a
// channel that goes from one instrument to the next would decode each of them again at
// every change. Each preset here stays selected on a hidden channel of its own, beyond the
// 16 MIDI channels, which keeps its samples in memory for good: either ahead of its first
// note, in the background, or at the latest just before a channel selects it.
namespace platform::synth {

inline constexpr int kPreloadedPrograms = 80;
inline constexpr int kPreloadedPresets = kPreloadedPrograms + 1; // and the drum kit
// Hidden channels come in the library's blocks of 16: 80 programs and the drum kit.
inline constexpr int kHiddenChannels = 96;
inline constexpr int kDrumChannel = 9;

class PresetLoader {
public:
    PresetLoader(fluid_synth_t* synth, int fontId) : synth_(synth), fontId_(fontId) {}
    // Makes sure the preset that program selects on channel stays loaded, before the
    // channel selects it. Programs outside the set, and the drum channel's other kits, are
    // left to the library.
    void holdFor(int channel, int program);
    // Loads the next preset not yet held; false once all are.
    bool loadNext();
    bool done() const { return loaded_ == kPreloadedPresets; }
    int loaded() const { return loaded_; }

private:
    void hold(int index);

    fluid_synth_t* synth_;
    int fontId_;
    std::array<bool, kPreloadedPresets> held_{};
    int next_ = 0;
    int loaded_ = 0;
};

} // namespace platform::synth

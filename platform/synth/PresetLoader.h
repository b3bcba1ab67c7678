#pragma once

#include <fluidsynth.h>

// Reads every instrument the program can choose (programs 0 to 79 and the drum kit) ahead
// of its first note: with samples loaded on demand, a first program change would otherwise
// read and decode its samples while the notes wait, up to a tenth of a second on a
// compressed font. Each preset stays selected on a hidden channel of its own, beyond the
// 16 MIDI channels, which keeps its samples in memory.
namespace platform::synth {

inline constexpr int kPreloadedPrograms = 80;
// Hidden channels come in the library's blocks of 16: 80 programs and the drum kit.
inline constexpr int kHiddenChannels = 96;

class PresetLoader {
public:
    PresetLoader(fluid_synth_t* synth, int fontId) : synth_(synth), fontId_(fontId) {}
    // Loads the next preset; false once all are loaded.
    bool loadNext();
    bool done() const { return next_ > kPreloadedPrograms; }

private:
    fluid_synth_t* synth_;
    int fontId_;
    int next_ = 0;
};

} // namespace platform::synth

#pragma once

#include "platform/synth/PresetLoader.h"
#include "platform/synth/SynthEngine.h"

#include <array>
#include <cstdint>

// Turns packed short messages into synthesizer calls.
namespace platform::synth {

// Whether the message starts a sounding note (a note-on with a velocity above 0).
bool startsNote(uint32_t message);

// The top byte is ignored, as the system's MIDI output does; a data byte with its high bit
// set is no MIDI data, so such a message is dropped rather than guessed at.
class MessageDecoder {
public:
    // The loader, when there is one, holds each preset before a channel selects it.
    MessageDecoder(fluid_synth_t* synth, PresetLoader* loader);

    void play(uint32_t message);
    // Pedals go up first: a held pedal would keep the released notes sounding.
    void endAllNotes();

private:
    void programChange(int channel, int program);

    static constexpr int kUnknown = -1;
    fluid_synth_t* synth_;
    PresetLoader* loader_;
    std::array<int, kChannels> programs_{};
    std::array<int, kChannels> banks_{}; // as selected: coarse * 128 + fine
    std::array<bool, kChannels> chosen_{};
};

} // namespace platform::synth

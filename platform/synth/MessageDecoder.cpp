#include "platform/synth/MessageDecoder.h"

namespace platform::synth {

namespace {

constexpr int kBankSelect = 0;
constexpr int kBankSelectFine = 32;
constexpr int kSustain = 64;
constexpr int kSostenuto = 66;

int dataByte1(uint32_t message) {
    return static_cast<int>((message >> 8) & 0xFF);
}
int dataByte2(uint32_t message) {
    return static_cast<int>((message >> 16) & 0xFF);
}

} // namespace

bool startsNote(uint32_t message) {
    return (message & 0xF0) == 0x90 && dataByte1(message) <= 127 && dataByte2(message) > 0 &&
           dataByte2(message) <= 127;
}

MessageDecoder::MessageDecoder(fluid_synth_t* synth, PresetLoader* loader)
    : synth_(synth), loader_(loader) {
    programs_.fill(kUnknown);
}

void MessageDecoder::play(uint32_t message) {
    const int status = static_cast<int>(message & 0xFF);
    const int data1 = dataByte1(message);
    const int data2 = dataByte2(message);
    if (data1 > 127 || data2 > 127) {
        return;
    }
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth_, channel, data1);
        break;
    case 0x90:
        if (data2 == 0) {
            fluid_synth_noteoff(synth_, channel, data1);
        } else {
            if (!chosen_[static_cast<std::size_t>(channel)]) {
                // A channel plays the first program until it is told otherwise.
                programChange(channel, 0);
            }
            fluid_synth_noteon(synth_, channel, data1, data2);
        }
        break;
    case 0xB0:
        if (data1 == kBankSelect || data1 == kBankSelectFine) {
            programs_[static_cast<std::size_t>(channel)] = kUnknown;
            int& bank = banks_[static_cast<std::size_t>(channel)];
            bank = data1 == kBankSelect ? (data2 << 7) | (bank & 0x7F) : (bank & ~0x7F) | data2;
        }
        fluid_synth_cc(synth_, channel, data1, data2);
        break;
    case 0xC0:
        // A note is preceded by its program every time; selecting the same preset again
        // costs a preset lookup for nothing, so a repeat is skipped.
        if (programs_[static_cast<std::size_t>(channel)] != data1) {
            programChange(channel, data1);
        }
        break;
    default:
        break;
    }
}

void MessageDecoder::endAllNotes() {
    for (int channel = 0; channel < kChannels; ++channel) {
        fluid_synth_cc(synth_, channel, kSustain, 0);
        fluid_synth_cc(synth_, channel, kSostenuto, 0);
        fluid_synth_all_notes_off(synth_, channel);
    }
}

void MessageDecoder::programChange(int channel, int program) {
    if (loader_ != nullptr && banks_[static_cast<std::size_t>(channel)] == 0) {
        loader_->holdFor(channel, program);
    }
    fluid_synth_program_change(synth_, channel, program);
    programs_[static_cast<std::size_t>(channel)] = program;
    chosen_[static_cast<std::size_t>(channel)] = true;
}

} // namespace platform::synth

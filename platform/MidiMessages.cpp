#include "platform/MidiMessages.h"

namespace platform::midi {

std::size_t messageLength(uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0xF0:
        break;
    default:
        return 3;
    }
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF0:
    case 0xF7:
        return 0;
    default:
        return 1;
    }
}

std::size_t messageBytes(uint32_t message, uint8_t (&bytes)[3]) {
    bytes[0] = static_cast<uint8_t>(message & 0xFF);
    bytes[1] = static_cast<uint8_t>((message >> 8) & 0x7F);
    bytes[2] = static_cast<uint8_t>((message >> 16) & 0x7F);
    return messageLength(bytes[0]);
}

void SoundingNotes::onMessage(uint32_t message) {
    uint8_t b[3];
    if (messageBytes(message, b) != 3) {
        return;
    }
    const int kind = b[0] & 0xF0;
    const int key = (b[0] & 0x0F) * 128 + b[1];
    if (kind == 0x90 && b[2] > 0) {
        notes_.insert(key);
    } else if (kind == 0x80 || kind == 0x90) {
        notes_.erase(key);
    }
}

std::vector<uint32_t> SoundingNotes::resetMessages() {
    std::vector<uint32_t> out;
    out.reserve(notes_.size() + 32);
    for (const int key : notes_) {
        out.push_back(static_cast<uint32_t>(0x80 + key / 128) +
                      static_cast<uint32_t>(key % 128) * 256);
    }
    notes_.clear();
    for (uint32_t channel = 0; channel < 16; ++channel) {
        out.push_back(0xB0 + channel + sustainPedal * 256U);
        out.push_back(0xB0 + channel + allNotesOff * 256U);
    }
    return out;
}

} // namespace platform::midi

#pragma once

#include "music/PemSoundsModule.h"

#include <cstdint>

// The program's MIDI output device, opened through the link given, which outlives it.
class SoundCard {
public:
    explicit SoundCard(PemSoundsModule::Link& link) : link_(link) {}

    void OpenCard(int16_t& intOutputDeviceId);
    void CloseCard();
    void MidiReset();

    int16_t DeviceID() const { return DeviceID_; }
    bool Opened() const { return Opened_; }
    uint32_t HandleForMidiOut() const { return link_.MidiOutHandle; }
    // Where the tones of the program sound.
    PemSoundsModule::Link& link() const { return link_; }

private:
    PemSoundsModule::Link& link_;
    int16_t DeviceID_ = 0;
    bool Opened_ = false;
};

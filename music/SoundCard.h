#pragma once

#include <cstdint>

// The program's MIDI output device.
class SoundCard {
public:
    void OpenCard(int16_t& intOutputDeviceId);
    void CloseCard();
    void MidiReset();

    int16_t DeviceID() const { return DeviceID_; }
    bool Opened() const { return Opened_; }
    uint32_t HandleForMidiOut() const;

private:
    int16_t DeviceID_ = 0;
    bool Opened_ = false;
};

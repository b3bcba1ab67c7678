#include "music/SoundCard.h"

void SoundCard::OpenCard(int16_t& intOutputDeviceId) {
    DeviceID_ = intOutputDeviceId;
    if (!Opened_) {
        if (PemSoundsModule::OpenMidiOut(link_, intOutputDeviceId) == platform::MMSYSERR_NOERROR) {
            Opened_ = true;
        }
    }
}

void SoundCard::CloseCard() {
    PemSoundsModule::CloseMidiOut(link_);
    Opened_ = false;
}

void SoundCard::MidiReset() {
    platform::midiOutReset(link_.devices, link_.MidiOutHandle);
    if (link_.tap != nullptr) {
        link_.tap->reset();
    }
}

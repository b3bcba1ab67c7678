#include "music/SoundCard.h"

#include "music/PemSoundsModule.h"

void SoundCard::OpenCard(int16_t& intOutputDeviceId) {
    DeviceID_ = intOutputDeviceId;
    if (!Opened_) {
        if (PemSoundsModule::OpenMidiOut(intOutputDeviceId) == platform::MMSYSERR_NOERROR) {
            Opened_ = true;
        }
    }
}

void SoundCard::CloseCard() {
    PemSoundsModule::CloseMidiOut();
    Opened_ = false;
}

void SoundCard::MidiReset() {
    platform::midiOutReset(PemSoundsModule::MidiOutHandle);
    if (platform::MidiOutDevice* tap = PemSoundsModule::MessageTap()) {
        tap->reset();
    }
}

uint32_t SoundCard::HandleForMidiOut() const {
    return PemSoundsModule::MidiOutHandle;
}

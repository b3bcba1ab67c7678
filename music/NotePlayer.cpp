#include "music/NotePlayer.h"

#include "music/MIDIConstants.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

#include <cmath>

namespace {
void wrap(FormState& s) {
    const auto last = static_cast<int16_t>(s.CurrentTune.size() - 1);
    if (s.TuneIndex > last) {
        s.TuneIndex = 0;
    }
    if (s.TuneIndex < 0) {
        s.TuneIndex = last;
    }
}
} // namespace

void EndSoundingTone(FormState& s) {
    if (s.CurrentTone) {
        s.CurrentTone->setVolume(0);
        s.CurrentTone->Play();
    }
}

void NewCurrentTone(FormState& s) {
    s.CurrentTone = std::make_unique<Tone>(*s.Output);
    s.CurrentTone->setVolume(MIDIConstants::FullVelocity);
    s.CurrentTone->setInstrument(static_cast<uint8_t>(s.Instrument));
}

int16_t RandomInstrument(platform::RandomSource& random) {
    return static_cast<int16_t>(
        platform::Int(platform::Rnd(random) * MIDIConstants::RandomPrograms));
}

void PlayNote(FormState& s) {
    EndSoundingTone(s);
    NewCurrentTone(s);
    if (s.CurrentTune.empty()) {
        return;
    }
    wrap(s);
    s.CurrentTone->setNumber(
        static_cast<int16_t>(std::floor(s.CurrentTune[static_cast<std::size_t>(s.TuneIndex)])));
    if (s.DX1 > 0) {
        ++s.TuneIndex;
    } else {
        --s.TuneIndex;
    }
    wrap(s);
    s.CurrentTone->Play();
}

void SetVolumeFromSlider(FormState& s, int value) {
    s.VolumeTone = std::make_unique<Tone>(*s.Output);
    s.VolumeTone->setEventType(MIDIConstants::ExpressionEvent);
    s.VolumeTone->setVolume(static_cast<uint8_t>(value));
    s.VolumeTone->Play();
}

#pragma once

#include "music/FormState.h"
#include "platform/Random.h"

// Ends the sounding note and plays the next one of the current tune, walking by the sign of DX1.
void PlayNote(FormState& s);

// Ends the note the current tone sounds, if there is a tone: that note again at velocity 0.
void EndSoundingTone(FormState& s);

// A fresh current tone at full velocity with the current Instrument, sounding nothing yet.
void NewCurrentTone(FormState& s);

// A program for the notes to come, 0 to 79: the whole part of a random number times 80.
int16_t RandomInstrument(platform::RandomSource& random);

// The volume slider's notification: the expression level follows the slider.
void SetVolumeFromSlider(FormState& s, int value);

#pragma once

#include "app/FormState.h"

// Ends the sounding note and plays the next one of the current tune, walking by the sign of DX1.
void PlayNote(FormState& s);

// The volume slider's notification: the expression level follows the slider.
void SetVolumeFromSlider(FormState& s, int value);

#pragma once

#include "effects/EffectHost.h"

#include <cstdint>

// One tick of the sweep of Saturated Rainbow and Meteorites (begun by StartSweep): a note,
// both points 5 to the right, the colour turned by colourStep, the line drawn by drawStep;
// once the first point is past the right edge, timer stops.
void SweepStep(EffectHost& host, EffectTimer timer, int16_t colourStep,
               void (*drawStep)(EffectHost& host));

#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "effects/Sweep.h"

void Meteorites::cmdShadedRainbow_Click() {
    ShowEffectCaption(host_, EffectButton::cmdShadedRainbow);
    StartSweep(host_);
    host_.setTimerEnabled(EffectTimer::ShadedRainTimer, true);
}

void Meteorites::ShadedRainTimer_Timer() {
    SweepStep(host_, EffectTimer::ShadedRainTimer, -8, DrawShadedLine);
}

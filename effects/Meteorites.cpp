#include "effects/Effects.h"
#include "effects/Primitives.h"

void Meteorites::cmdShadedRainbow_Click() {
    ShowEffectCaption(host_, EffectButton::cmdShadedRainbow);
    StartSweep(host_);
    host_.setTimerEnabled(EffectTimer::ShadedRainTimer, true);
}

void Meteorites::ShadedRainTimer_Timer() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    host_.PlayNote();
    s.X1 = s.X1 + 5;
    s.X2 = s.X2 + 5;
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, -8);
    DrawShadedLine(host_);
    if (s.X1 > pic.ScaleWidth()) {
        host_.setTimerEnabled(EffectTimer::ShadedRainTimer, false);
    }
}

#include "effects/Sweep.h"

#include "effects/Primitives.h"

void SweepStep(EffectHost& host, EffectTimer timer, int16_t colourStep,
               void (*drawStep)(EffectHost& host)) {
    FormState& s = host.state();
    host.PlayNote();
    s.X1 = s.X1 + 5;
    s.X2 = s.X2 + 5;
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, colourStep);
    drawStep(host);
    if (s.X1 > host.MyPic().ScaleWidth()) {
        host.setTimerEnabled(timer, false);
    }
}

#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "effects/Sweep.h"

#include "platform/Rounding.h"

void SaturatedRainbow::cmdRainbow_Click() {
    ShowEffectCaption(host_, EffectButton::cmdRainbow);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    StartSweep(host_);
    pic.setForeColor(platform::RGB(255, 0, 0));
    pic.Line(s.X1, s.Y1, s.X2, s.Y2);
    host_.setTimerEnabled(EffectTimer::RainTimer, true);
}

void SaturatedRainbow::RainTimer_Timer() {
    SweepStep(host_, EffectTimer::RainTimer, 8, [](EffectHost& host) {
        FormState& s = host.state();
        platform::DrawingSurface& pic = host.MyPic();
        pic.setForeColor(platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
        pic.Line(s.X1, s.Y1, s.X2, s.Y2);
    });
}

#include "effects/Effects.h"
#include "effects/Primitives.h"

void Meteorites::cmdShadedRainbow_Click() {
    ShowEffectCaption(host_, EffectButton::cmdShadedRainbow);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    pic.setDrawWidth(6);
    s.X1 = 5;
    s.Y1 = pic.ScaleHeight() * 3 / 4;
    s.X2 = 5;
    s.Y2 = pic.ScaleHeight() / 4;
    s.RedLevel = 255;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
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

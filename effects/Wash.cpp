#include "effects/Effects.h"

#include "effects/Primitives.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

void SpectralFlood::cmdWash_Click() {
    ShowEffectCaption(host_, EffectButton::cmdWash);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    pic.setDrawWidth(2);
    s.X1 = RandomPosition(host_.random(), pic.ScaleWidth());
    s.Y1 = RandomPosition(host_.random(), pic.ScaleHeight());
    s.X2 = RandomPosition(host_.random(), pic.ScaleWidth());
    s.Y2 = RandomPosition(host_.random(), pic.ScaleHeight());
    s.DX1 = 2;
    s.DY1 = 2;
    s.DX2 = 2;
    s.DY2 = 2;
    host_.Randomize();
    host_.PlayNote();
    host_.setTimerEnabled(EffectTimer::WashTimer, true);
}

void SpectralFlood::WashTimer_Timer() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    MoveBouncingPoints(host_);
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, 5);
    host_.PlayNote();
    pic.Line(s.X1, s.Y1, s.X2, s.Y2, platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
}

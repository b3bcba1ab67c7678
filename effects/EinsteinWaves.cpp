#include "effects/Effects.h"
#include "effects/Primitives.h"

#include "platform/Random.h"

void EinsteinWaves::cmdEinsteinWaves_Click() {
    ShowEffectCaption(host_, EffectButton::cmdEinsteinWaves);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    s.DX1 = pic.ScaleWidth() / 100;
    s.DY1 = pic.ScaleHeight() / 100;
    s.DX2 = pic.ScaleWidth() / 200;
    s.DY2 = pic.ScaleHeight() / 200;
    host_.Randomize();
    s.DX1 = (host_.Rnd() * 20 + 5) * s.DX1 / 10;
    s.DX2 = (host_.Rnd() * 20 + 5) * s.DX2 / 10;
    s.DY1 = (host_.Rnd() * 20 + 5) * s.DY1 / 10;
    s.DY2 = (host_.Rnd() * 20 + 5) * s.DY2 / 10;
    s.X1 = RandomPosition(host_.random(), pic.ScaleWidth());
    s.Y1 = RandomPosition(host_.random(), pic.ScaleHeight());
    s.X2 = RandomPosition(host_.random(), pic.ScaleWidth());
    s.Y2 = RandomPosition(host_.random(), pic.ScaleHeight());
    host_.setTimerEnabled(EffectTimer::MyTimer, true);
}

void EinsteinWaves::MyTimer_Timer() {
    FormState& s = host_.state();
    MoveBouncingPoints(host_);
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, 5);
    host_.PlayNote();
    DrawLine(host_);
}

void GalacticSatellites::cmdGalactic_Click() {
    waves_.cmdEinsteinWaves_Click();
    host_.Pause(100);
    // The window may have been closed while the pause let events through.
    if (host_.unloaded()) {
        return;
    }
    holes_.CmdBlackHoles_Click();
}

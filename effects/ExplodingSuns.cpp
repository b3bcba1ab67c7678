#include "effects/Effects.h"
#include "effects/Primitives.h"

#include "music/NotePlayer.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

void ExplodingSuns::cmdExplodingSuns_Click() {
    ShowEffectCaption(host_, EffectButton::cmdExplodingSuns);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    host_.Randomize();
    s.X1 = host_.Rnd() * pic.ScaleWidth();
    s.Y1 = host_.Rnd() * pic.ScaleHeight();
    s.RedLevel = 255;
    s.GreenLevel = 255;
    s.BlueLevel = 0;
    s.PenColour = platform::RGB(255, 255, 0);
    s.Radius = 10;

    pic.setDrawWidth(1);
    pic.setDrawStyle(platform::DrawingSurface::Dot);
    pic.setFillColor(platform::RGB(255, 255, 0));
    pic.setFillStyle(platform::DrawingSurface::FillSolid);
    pic.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
    // Only the sun is solid; its rings are outlines.
    pic.setFillStyle(platform::DrawingSurface::FillTransparent);

    s.TuneIndex = 0;
    s.Instrument = RandomInstrument(host_.random());
    host_.PlayNote();
    host_.setTimerEnabled(EffectTimer::ExplodeTimer, true);
}

void ExplodingSuns::ExplodeTimer_Timer() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    host_.PlayNote();
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, -3);
    s.PenColour = platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
    s.Radius = static_cast<float>(s.Radius * 1.05);
    pic.Circle(s.X1, s.Y1, s.Radius, s.PenColour);
    if (s.Radius > pic.ScaleHeight()) {
        cmdExplodingSuns_Click();
    }
}

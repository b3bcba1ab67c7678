#include "effects/Effects.h"
#include "effects/Primitives.h"

#include "music/NotePlayer.h"
#include "platform/Random.h"

void BlackHoles::CmdBlackHoles_Click() {
    ShowEffectCaption(host_, EffectButton::CmdBlackHoles);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    // The instrument comes from the generator as it stood before this hole.
    s.Instrument = RandomInstrument(host_.random());
    host_.Randomize();
    s.X1 = host_.Rnd() * pic.ScaleWidth();
    s.Y1 = host_.Rnd() * pic.ScaleHeight();
    s.PenColour = LightColour(host_.random());
    s.Radius = static_cast<float>(host_.Rnd() * 0.4 * pic.ScaleHeight());
    pic.setDrawWidth(3);
    pic.setFillColor(0);
    host_.setTimerEnabled(EffectTimer::CircleTimer, true);
}

void BlackHoles::CircleTimer_Timer() {
    FormState& s = host_.state();
    host_.PlayNote();
    host_.Randomize();
    s.PenColour = LightColour(host_.random());
    s.Radius = static_cast<float>(s.Radius * 0.9);
    host_.MyPic().Circle(s.X1, s.Y1, s.Radius, s.PenColour);
    if (s.Radius < 10) {
        CmdBlackHoles_Click();
    }
}

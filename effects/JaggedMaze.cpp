#include "effects/Effects.h"
#include "effects/Primitives.h"

#include "platform/Random.h"
#include "platform/Rounding.h"

void JaggedMaze::cmdJagged_Click() {
    ShowEffectCaption(host_, EffectButton::cmdJagged);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    host_.Randomize();
    s.X1 = host_.Rnd() * pic.ScaleWidth();
    s.Y1 = host_.Rnd() * pic.ScaleHeight();
    s.PenColour = LightColour(host_.random());
    pic.setDrawWidth(2);
    s.DX1 = host_.Rnd() * 250 + 50;
    s.DY1 = host_.Rnd() * 150 + 50;
    pic.setCurrentX(s.X1);
    pic.setCurrentY(s.Y1);
    host_.setTimerEnabled(EffectTimer::JaggedTimer, true);
}

void JaggedMaze::JaggedTimer_Timer() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();

    host_.PlayNote();
    host_.Randomize();
    s.DX1 = host_.Rnd() * 250 + 50;
    s.DY1 = host_.Rnd() * 150 + 50;
    if (platform::Int(host_.Rnd() * 2) == 1) {
        s.DX1 = -s.DX1;
    }
    if (platform::Int(host_.Rnd() * 2) == 1) {
        s.DY1 = -s.DY1;
    }
    pic.LineTo(pic.CurrentX() + s.DX1, pic.CurrentY() + s.DY1, s.PenColour);
    const float x = pic.CurrentX();
    const float y = pic.CurrentY();
    if (x > pic.ScaleWidth() || x < 0 || y > pic.ScaleHeight() || y < 0) {
        cmdJagged_Click();
    }
}

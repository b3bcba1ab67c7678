#include "effects/Effects.h"

#include "effects/Primitives.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

using platform::Rnd;

namespace {
// Anywhere on the surface: [0, extent).
float RandomPosition(float extent) {
    return (Rnd() * 100) / 100 * extent;
}

// Beyond an edge (exactly on it is inside) and still heading out. A point left outside
// by a shrinking surface, or by another Effect's step, heads back in instead of being
// turned round on every tick and trapped there.
bool Leaving(float position, float step, float extent) {
    return (position < 0 && step < 0) || (position > extent && step > 0);
}

int16_t RandomInstrument() {
    return static_cast<int16_t>(platform::Int(Rnd() * 80));
}
} // namespace

void SpectralFlood::cmdWash_Click() {
    ShowEffectCaption(host_, EffectButton::cmdWash);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    pic.setDrawWidth(2);
    s.X1 = RandomPosition(pic.ScaleWidth());
    s.Y1 = RandomPosition(pic.ScaleHeight());
    s.X2 = RandomPosition(pic.ScaleWidth());
    s.Y2 = RandomPosition(pic.ScaleHeight());
    s.DX1 = 2;
    s.DY1 = 2;
    s.DX2 = 2;
    s.DY2 = 2;
    platform::Randomize();
    host_.PlayNote();
    host_.setTimerEnabled(EffectTimer::WashTimer, true);
}

void SpectralFlood::WashTimer_Timer() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    // Only the first point's bounces change the instrument.
    s.X1 = s.X1 + s.DX1;
    if (Leaving(s.X1, s.DX1, pic.ScaleWidth())) {
        s.Instrument = RandomInstrument();
        s.DX1 = -s.DX1;
        s.X1 = s.X1 + s.DX1;
    }
    s.Y1 = s.Y1 + s.DY1;
    if (Leaving(s.Y1, s.DY1, pic.ScaleHeight())) {
        s.Instrument = RandomInstrument();
        s.DY1 = -s.DY1;
        s.Y1 = s.Y1 + s.DY1;
    }
    s.X2 = s.X2 + s.DX2;
    if (Leaving(s.X2, s.DX2, pic.ScaleWidth())) {
        s.DX2 = -s.DX2;
        s.X2 = s.X2 + s.DX2;
    }
    s.Y2 = s.Y2 + s.DY2;
    if (Leaving(s.Y2, s.DY2, pic.ScaleHeight())) {
        s.DY2 = -s.DY2;
        s.Y2 = s.Y2 + s.DY2;
    }
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, 5);
    host_.PlayNote();
    pic.Line(s.X1, s.Y1, s.X2, s.Y2, platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
}

#include "effects/Effects.h"

#include "effects/Primitives.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

using platform::CInt;
using platform::Int;
using platform::Rnd;

namespace {
constexpr double TwoPi = 6.28318530717958;

int16_t FullOrNothing() {
    return CInt(Int(2 * Rnd()) * 255);
}
} // namespace

void CurveBand::Click() {
    ShowEffectCaption(host_, button_);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    platform::Randomize();
    s.Instrument = static_cast<int16_t>(Int(Rnd() * 80));
    pic.setDrawStyle(platform::DrawingSurface::Solid);
    pic.setDrawWidth(5);
    s.DX1 = 0;
    s.DY1 = 0;
    s.CurveDriftX = Rnd() * 6 - 3;
    // Never slower than one pixel a tick.
    if (!(s.CurveDriftX >= 1 || s.CurveDriftX <= -1)) {
        s.CurveDriftX = 2;
    }
    s.CurveDriftY = Rnd() * 2 + 1;
    platform::Randomize();
    s.DY2 = Rnd() - 0.5f;
    s.CurveSlope = Rnd() * 2 - 1;
    // One of the six corners of the colour wheel: never black or white.
    s.RedLevel = 0;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
    while (s.RedLevel == s.GreenLevel && s.GreenLevel == s.BlueLevel) {
        s.RedLevel = FullOrNothing();
        s.GreenLevel = FullOrNothing();
        s.BlueLevel = FullOrNothing();
    }
    s.CurveFrequency = Rnd() * 3 + 1;
    host_.PlayNote();
    Draw();
    host_.setTimerEnabled(timer_, true);
}

void CurveBand::Timer() {
    FormState& s = host_.state();
    s.DX1 = s.DX1 + s.CurveDriftX;
    s.DY1 = s.DY1 + s.CurveDriftY;
    host_.PlayNote();
    Draw();
    const platform::DrawingSurface& pic = host_.MyPic();
    const float H = pic.ScaleHeight();
    const float W = pic.ScaleWidth();
    if (s.DY1 > static_cast<float>(0.4 * H) || s.DX1 > W) {
        Click();
    }
}

void CurveBand::Draw() {
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    const float W = pic.ScaleWidth();
    const int32_t colour = platform::RGB(s.RedLevel, s.GreenLevel, s.BlueLevel);
    for (int i = 0; i <= 1000; ++i) {
        const auto t = static_cast<float>(i * TwoPi / 1000);
        const float angle = t * s.CurveFrequency;
        const auto u = static_cast<float>(curve_(angle) + t * s.CurveSlope + s.DY2);
        // The height is read for each point so a resize takes effect within a curve.
        s.X1 = static_cast<float>(W * t / TwoPi + s.DX1);
        s.Y1 = pic.ScaleHeight() / 2 - pic.ScaleHeight() * u / 2 + s.DY1;
        pic.PSet(s.X1, s.Y1, colour);
    }
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, 10);
}

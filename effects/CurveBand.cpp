#include "effects/Effects.h"

#include "effects/Primitives.h"
#include "music/NotePlayer.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

using platform::CInt;
using platform::Int;
namespace {
constexpr double TwoPi = 6.28318530717958;

int16_t FullOrNothing(platform::RandomSource& random) {
    return CInt(Int(2 * platform::Rnd(random)) * 255);
}
} // namespace

void CurveBand::Click() {
    ShowEffectCaption(host_, button_);
    FormState& s = host_.state();
    platform::DrawingSurface& pic = host_.MyPic();
    host_.Randomize();
    s.Instrument = RandomInstrument(host_.random());
    pic.setDrawStyle(platform::DrawingSurface::Solid);
    pic.setDrawWidth(5);
    s.DX1 = 0;
    s.DY1 = 0;
    s.CurveDriftX = host_.Rnd() * 6 - 3;
    // Never slower than one pixel a tick.
    if (!(s.CurveDriftX >= 1 || s.CurveDriftX <= -1)) {
        s.CurveDriftX = 2;
    }
    s.CurveDriftY = host_.Rnd() * 2 + 1;
    host_.Randomize();
    s.DY2 = host_.Rnd() - 0.5f;
    s.CurveSlope = host_.Rnd() * 2 - 1;
    // One of the six corners of the colour wheel: never black or white.
    s.RedLevel = 0;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
    while (s.RedLevel == s.GreenLevel && s.GreenLevel == s.BlueLevel) {
        s.RedLevel = FullOrNothing(host_.random());
        s.GreenLevel = FullOrNothing(host_.random());
        s.BlueLevel = FullOrNothing(host_.random());
    }
    s.CurveFrequency = host_.Rnd() * 3 + 1;
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
    auto t = [](int i) { return static_cast<float>(i * TwoPi / 1000); };
    // Sines or tangents of 1001 points cost more than drawing them: they are worked out
    // again only when the shape changes (another band restarts, a bouncing Effect moves
    // DY2) or the width does.
    if (heights_.empty() || heightsFrequency_ != s.CurveFrequency ||
        heightsSlope_ != s.CurveSlope || heightsOffset_ != s.DY2) {
        heights_.resize(1001);
        for (int i = 0; i <= 1000; ++i) {
            const float angle = t(i) * s.CurveFrequency;
            heights_[static_cast<std::size_t>(i)] =
                static_cast<float>(curve_(angle) + t(i) * s.CurveSlope + s.DY2);
        }
        heightsFrequency_ = s.CurveFrequency;
        heightsSlope_ = s.CurveSlope;
        heightsOffset_ = s.DY2;
    }
    if (columns_.empty() || columnsWidth_ != W) {
        columns_.resize(1001);
        for (int i = 0; i <= 1000; ++i) {
            columns_[static_cast<std::size_t>(i)] = W * t(i) / TwoPi;
        }
        columnsWidth_ = W;
    }
    for (int i = 0; i <= 1000; ++i) {
        const float u = heights_[static_cast<std::size_t>(i)];
        // The height is read for each point so a resize takes effect within a curve.
        s.X1 = static_cast<float>(columns_[static_cast<std::size_t>(i)] + s.DX1);
        s.Y1 = pic.ScaleHeight() / 2 - pic.ScaleHeight() * u / 2 + s.DY1;
        pic.PSet(s.X1, s.Y1, colour);
    }
    TurnColour(s.RedLevel, s.GreenLevel, s.BlueLevel, 10);
}

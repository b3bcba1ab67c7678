#include "effects/Primitives.h"

#include "music/NotePlayer.h"
#include "platform/Random.h"
#include "platform/Rounding.h"

#include <algorithm>

using platform::RGB;

void TurnColour(int16_t& Red, int16_t& Green, int16_t& Blue, int16_t Step) {
    int r = Red;
    int g = Green;
    int b = Blue;
    auto atMost255 = [](int v) { return v > 255 ? 255 : v; };
    auto atLeast0 = [](int v) { return v < 0 ? 0 : v; };
    if (Step > 0) {
        if (r == 255 && b == 0 && g < 255) {
            g = atMost255(g + Step);
        } else if (g == 255 && b == 0 && r > 0) {
            r = atLeast0(r - Step);
        } else if (r == 0 && g == 255 && b < 255) {
            b = atMost255(b + Step);
        } else if (r == 0 && b == 255 && g > 0) {
            g = atLeast0(g - Step);
        } else if (g == 0 && b == 255 && r < 255) {
            r = atMost255(r + Step);
        } else if (r == 255 && g == 0 && b > 0) {
            b = atLeast0(b - Step);
        }
    } else if (Step < 0) {
        if (r == 255 && b == 0 && g > 0) {
            g = atLeast0(g + Step);
        } else if (g == 255 && b == 0 && r < 255) {
            r = atMost255(r - Step);
        } else if (r == 0 && g == 255 && b > 0) {
            b = atLeast0(b + Step);
        } else if (r == 0 && b == 255 && g < 255) {
            g = atMost255(g - Step);
        } else if (g == 0 && b == 255 && r > 0) {
            r = atLeast0(r + Step);
        } else if (r == 255 && g == 0 && b < 255) {
            b = atMost255(b - Step);
        }
    }
    Red = static_cast<int16_t>(r);
    Green = static_cast<int16_t>(g);
    Blue = static_cast<int16_t>(b);
}

void DrawBall(EffectHost& host, float X, float Y) {
    FormState& s = host.state();
    platform::DrawingSurface& pic = host.MyPic();
    host.Randomize();
    pic.setForeColor(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
    const auto a = static_cast<int>(platform::Int(host.Rnd() * 256));
    const auto b = static_cast<int>(platform::Int(host.Rnd() * 256));
    const auto c = static_cast<int>(platform::Int(host.Rnd() * 256));
    pic.setFillColor(RGB(a, b, c));
    pic.setFillStyle(platform::DrawingSurface::FillSolid);
    pic.setDrawWidth(2);
    pic.Circle(X, Y, pic.ScaleHeight() / 100);
}

void DrawLine(EffectHost& host) {
    FormState& s = host.state();
    DrawBall(host, s.X1, s.Y1);
    DrawBall(host, s.X2, s.Y2);
    host.MyPic().Line(s.X1, s.Y1, s.X2, s.Y2, RGB(s.RedLevel, s.GreenLevel, s.BlueLevel));
}

void DrawShadedLine(EffectHost& host) {
    const FormState& s = host.state();
    platform::DrawingSurface& pic = host.MyPic();
    // The loops end only for levels within 0..255; never let a stray level hang them.
    auto level = [](int16_t v) { return std::clamp<int>(v, 0, 255); };
    const int red = level(s.RedLevel);
    const int green = level(s.GreenLevel);
    const int blue = level(s.BlueLevel);
    const float y0 = (s.Y2 + s.Y1) / 2;

    int r = red;
    int g = green;
    int b = blue;
    float y = y0;
    pic.PSet(s.X1, y, RGB(r, g, b));
    while (!(r == 0 && g == 0 && b == 0)) {
        y = y - 1.5f;
        if (r > 0) {
            --r;
        }
        if (b > 0) {
            --b;
        }
        if (g > 0) {
            --g;
        }
        pic.PSet(s.X1, y, RGB(r, g, b));
    }
    y = y0;
    for (int i = 0; i < 5; ++i) {
        y = y + 1.5f;
        pic.PSet(s.X1, y, RGB(red, green, blue));
    }
    r = red;
    g = green;
    b = blue;
    while (!(r == 255 && g == 255 && b == 255)) {
        y = y + 1.5f;
        if (r < 255) {
            ++r;
        }
        if (b < 255) {
            ++b;
        }
        if (g < 255) {
            ++g;
        }
        pic.PSet(s.X1, y, RGB(r, g, b));
    }
}

namespace {

// True when the coordinate bounced. Exactly on an edge is inside. A point left outside by a
// shrinking surface, or by another Effect's step, heads back in instead of being turned
// round on every tick and trapped there.
bool Bounce(float& position, float& step, float extent) {
    position = position + step;
    const bool leaving = (position < 0 && step < 0) || (position > extent && step > 0);
    if (leaving) {
        step = -step;
        position = position + step;
    }
    return leaving;
}

} // namespace

void MoveBouncingPoints(EffectHost& host) {
    FormState& s = host.state();
    const platform::DrawingSurface& pic = host.MyPic();
    if (Bounce(s.X1, s.DX1, pic.ScaleWidth())) {
        s.Instrument = RandomInstrument(host.random());
    }
    if (Bounce(s.Y1, s.DY1, pic.ScaleHeight())) {
        s.Instrument = RandomInstrument(host.random());
    }
    Bounce(s.X2, s.DX2, pic.ScaleWidth());
    Bounce(s.Y2, s.DY2, pic.ScaleHeight());
}

float RandomPosition(platform::RandomSource& random, float extent) {
    return (platform::Rnd(random) * 100) / 100 * extent;
}

int32_t LightColour(platform::RandomSource& random) {
    const int r = platform::CInt(platform::Rnd(random) * 192 + 63);
    const int g = platform::CInt(platform::Rnd(random) * 192 + 63);
    const int b = platform::CInt(platform::Rnd(random) * 192 + 63);
    return RGB(r, g, b);
}

void StartSweep(EffectHost& host) {
    FormState& s = host.state();
    platform::DrawingSurface& pic = host.MyPic();
    pic.setDrawWidth(6);
    s.X1 = 5;
    s.Y1 = pic.ScaleHeight() * 3 / 4;
    s.X2 = 5;
    s.Y2 = pic.ScaleHeight() / 4;
    s.RedLevel = 255;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
}

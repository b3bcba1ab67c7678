#include "music/FormState.h"

#include "music/Tunes.h"

void PrepareFormState(FormState& s, float width, float height, platform::RandomSource& random) {
    s.DX1 = width / 100;
    s.DY1 = height / 100;
    s.DX2 = width / 200;
    s.DY2 = height / 200;
    s.RedLevel = 255;
    s.GreenLevel = 0;
    s.BlueLevel = 0;
    Tunes::LoadFirstTune(s, random);
}

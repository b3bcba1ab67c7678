#include "effects/Effects.h"

#include "effects/EffectTable.h"

void Effects::click(EffectButton button) {
    effectDesign(button).click(*this);
}

void Effects::tick(EffectTimer timer) {
    effectDesign(timer).tick(*this);
}

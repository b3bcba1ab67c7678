#pragma once

#include "effects/EffectHost.h"

#include <array>
#include <optional>

struct Effects;

// One row per Effect, in the panel's order left to right: what its button shows and where, the
// timer that drives it and how that timer's interval follows the speed slider, and what its
// click and its timer's tick call.
struct EffectDesign {
    EffectButton button;
    const char* caption;
    // The button's left edge on the panel, in twips.
    int left;
    // Galactic Satellites has no timer of its own: it starts two other Effects.
    std::optional<EffectTimer> timer;
    // The timer's interval in milliseconds before the speed slider has been moved.
    int designInterval;
    // Once the slider has moved the interval is speedDivisor / slider value.
    int speedDivisor;
    // At load the interval already follows the slider (1000 / value); otherwise it keeps its
    // design value until the slider first moves.
    bool followsSliderAtLoad;
    void (*click)(Effects&);
    void (*tick)(Effects&);
};

extern const std::array<EffectDesign, EffectButtonCount> EffectTable;

// The row of a button, and the row of the Effect a timer drives.
const EffectDesign& effectDesign(EffectButton button);
const EffectDesign& effectDesign(EffectTimer timer);

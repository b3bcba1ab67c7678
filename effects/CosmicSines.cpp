#include "effects/Effects.h"

#include <cmath>

namespace {
double sine(double x) {
    return std::sin(x);
}
} // namespace

CosmicSines::CosmicSines(EffectHost& host)
    : band_(host, EffectButton::cmdSineWaver, EffectTimer::SineTimer, sine) {}

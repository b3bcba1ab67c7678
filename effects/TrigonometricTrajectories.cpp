#include "effects/Effects.h"

#include <cmath>

namespace {
double tangent(double x) {
    return std::tan(x);
}
} // namespace

TrigonometricTrajectories::TrigonometricTrajectories(EffectHost& host)
    : band_(host, EffectButton::cmdTrig, EffectTimer::TrigTimer, tangent) {}

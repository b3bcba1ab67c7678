#include "platform/synth/Limiter.h"

#include <algorithm>
#include <cmath>

namespace platform::synth {

Limiter::Limiter(double sampleRate)
    : recovery_(static_cast<float>(1.0 - std::exp(-1.0 / (0.1 * std::max(sampleRate, 1.0))))) {}

void Limiter::process(float* left, float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        const float peak = std::max(std::fabs(left[i]), std::fabs(right[i]));
        if (peak * gain_ > kCeiling) {
            gain_ = kCeiling / peak;
        }
        left[i] *= gain_;
        right[i] *= gain_;
        gain_ += (1.0f - gain_) * recovery_;
    }
}

} // namespace platform::synth

#pragma once

// Keeps the mixed output below full scale. Many notes' releases can pile up when every
// Effect runs fast; instead of clipping, the level is brought down at once to the ceiling
// and recovers over a tenth of a second. Below the ceiling the sound passes unchanged.
namespace platform::synth {

class Limiter {
public:
    explicit Limiter(double sampleRate);
    void process(float* left, float* right, int frames);
    float gain() const { return gain_; }

    static constexpr float kCeiling = 0.891f; // -1 dBFS

private:
    float gain_ = 1.0f;
    float recovery_;
};

} // namespace platform::synth

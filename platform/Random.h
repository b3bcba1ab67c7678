#pragma once

#include <cstdint>

namespace platform {

// A source of uniform numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
    // Reseeds from a high-resolution clock.
    virtual void reseed() = 0;
};

// PCG32; starts from a fixed seed so the first draws repeat on every start.
class ClockSeededRandom final : public RandomSource {
public:
    static constexpr uint64_t startSeed = 0x5A454C50484F52ULL;
    explicit ClockSeededRandom(uint64_t seed = startSeed) { seedWith(seed); }
    float next() override;
    // From the clock; after repeatable(), from a sequence of seeds that the number set.
    void reseed() override;
    void seedWith(uint64_t seed);
    // Seeds with n, and makes every later reseed repeat from run to run.
    void repeatable(uint64_t n);

private:
    uint32_t nextWord();
    uint64_t state_ = 0;
    uint64_t reseeds_ = 0;
    bool repeatable_ = false;
    uint64_t seedSequence_ = 0;
};

// The program's Rnd and Randomize, on the source its parts are given.
inline float Rnd(RandomSource& source) {
    return source.next();
}
inline void Randomize(RandomSource& source) {
    source.reseed();
}

} // namespace platform

#include "platform/Random.h"

#include "platform/Clock.h"

namespace platform {

namespace {
// SplitMix64: spreads neighbouring numbers (seeds 1, 2, 3) far apart.
uint64_t splitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}
} // namespace

void ClockSeededRandom::seedWith(uint64_t seed) {
    state_ = 0;
    nextWord();
    state_ += seed;
    nextWord();
}

uint32_t ClockSeededRandom::nextWord() {
    const uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto xorshifted = static_cast<uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto rot = static_cast<uint32_t>(old >> 59U);
    return (xorshifted >> rot) | (xorshifted << ((32U - rot) & 31U));
}

float ClockSeededRandom::next() {
    // 24 bits fill a float's mantissa exactly, so the result is never 1.
    return static_cast<float>(nextWord() >> 8) * (1.0f / 16777216.0f);
}

void ClockSeededRandom::repeatable(uint64_t n) {
    repeatable_ = true;
    seedSequence_ = n;
    seedWith(splitMix(seedSequence_));
}

void ClockSeededRandom::reseed() {
    if (repeatable_) {
        seedWith(splitMix(seedSequence_));
        return;
    }
    // Effects reseed every few milliseconds: nanoseconds keep the seeds apart, and the
    // counter keeps two reseeds within one clock step apart too.
    ++reseeds_;
    seedWith(monotonicNanoseconds() ^ (reseeds_ * 0x9E3779B97F4A7C15ULL));
}

} // namespace platform

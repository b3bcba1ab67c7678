#pragma once

#include "platform/Random.h"

#include <cstddef>
#include <vector>

namespace platform {

// Hands out a fixed list of numbers. Past the end it repeats the last one (0 for an empty
// list).
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    float next() override;
    void reseed() override {}

    std::size_t drawn() const { return pos_; }

private:
    std::vector<float> values_;
    std::size_t pos_ = 0;
};

} // namespace platform

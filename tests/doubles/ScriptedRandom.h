#pragma once

#include "platform/Random.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace platform {

// Hands out a fixed list of numbers. Past the end it repeats the last one (0 for an empty
// list) and counts the overrun.
class ScriptedRandom final : public RandomSource {
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    float next() override;
    void reseed() override { ++reseeds_; }

    void push(float v) { values_.push_back(v); }
    void push(std::initializer_list<float> vs) { values_.insert(values_.end(), vs); }
    std::size_t drawn() const { return pos_; }
    std::size_t remaining() const { return pos_ < values_.size() ? values_.size() - pos_ : 0; }
    std::size_t overruns() const { return overruns_; }
    std::size_t reseeds() const { return reseeds_; }

private:
    std::vector<float> values_;
    std::size_t pos_ = 0;
    std::size_t overruns_ = 0;
    std::size_t reseeds_ = 0;
};

} // namespace platform

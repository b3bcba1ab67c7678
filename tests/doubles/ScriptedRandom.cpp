#include "doubles/ScriptedRandom.h"

namespace platform {

float ScriptedRandom::next() {
    if (pos_ < values_.size()) {
        return values_[pos_++];
    }
    return values_.empty() ? 0.0f : values_.back();
}

} // namespace platform

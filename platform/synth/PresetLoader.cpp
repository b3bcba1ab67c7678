#include "platform/synth/PresetLoader.h"

#include "platform/synth/SynthEngine.h"

namespace platform::synth {

namespace {
constexpr int kDrumBank = 128;
constexpr int kDrumIndex = kPreloadedPrograms;
} // namespace

void PresetLoader::holdFor(int channel, int program) {
    if (channel == kDrumChannel) {
        if (program == 0) {
            hold(kDrumIndex);
        }
    } else if (program >= 0 && program < kPreloadedPrograms) {
        hold(program);
    }
}

bool PresetLoader::loadNext() {
    while (next_ < kPreloadedPresets && held_[static_cast<std::size_t>(next_)]) {
        ++next_;
    }
    if (next_ == kPreloadedPresets) {
        return false;
    }
    hold(next_++);
    return true;
}

void PresetLoader::hold(int index) {
    auto& held = held_[static_cast<std::size_t>(index)];
    if (held) {
        return;
    }
    held = true;
    ++loaded_;
    const bool drums = index == kDrumIndex;
    // A font without some preset simply leaves its channel empty.
    fluid_synth_program_select(synth_, kChannels + index, fontId_, drums ? kDrumBank : 0,
                               drums ? 0 : index);
}

} // namespace platform::synth

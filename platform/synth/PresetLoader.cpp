#include "platform/synth/PresetLoader.h"

#include "platform/synth/SynthEngine.h"

namespace platform::synth {

namespace {
constexpr int kDrumBank = 128;
} // namespace

bool PresetLoader::loadNext() {
    if (done()) {
        return false;
    }
    const int index = next_++;
    const bool drums = index == kPreloadedPrograms;
    // A font without some preset simply leaves its channel empty.
    fluid_synth_program_select(synth_, kChannels + index, fontId_, drums ? kDrumBank : 0,
                               drums ? 0 : index);
    return true;
}

} // namespace platform::synth

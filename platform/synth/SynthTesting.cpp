#include "platform/FluidSynthOut.h"
#include "platform/FluidSynthOutTesting.h"
#include "platform/synth/AudioOutput.h"
#include "platform/synth/BuiltInSynthesizer.h"
#include "platform/synth/SynthTuning.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace platform::synth {

namespace {

std::mutex tuningMutex;
Tuning& tuningInForce() {
    static Tuning t;
    return t;
}

template <typename Change> void change(Change&& c) {
    std::lock_guard lock(tuningMutex);
    c(tuningInForce());
}

} // namespace

Tuning currentTuning() {
    std::lock_guard lock(tuningMutex);
    return tuningInForce();
}

} // namespace platform::synth

namespace platform::synth_testing {

void lookForSoundFontsOnlyIn(std::vector<std::string> places) {
    synth::change([&](synth::Tuning& t) { t.soundFontPlaces = std::move(places); });
}

void useAudioDrivers(std::vector<std::string> drivers, std::string fileName) {
    synth::change([&](synth::Tuning& t) {
        t.audioDrivers = std::move(drivers);
        t.audioFileName = std::move(fileName);
    });
}

void setIdlePause(std::chrono::milliseconds pauseAfter, std::chrono::milliseconds checkEvery) {
    synth::change([&](synth::Tuning& t) {
        t.idlePause = pauseAfter;
        t.idleCheck = std::max(checkEvery, std::chrono::milliseconds(1));
    });
}

void setReleaseLimit(std::chrono::milliseconds limit) {
    synth::change([&](synth::Tuning& t) { t.releaseLimit = limit; });
}

void setPreload(bool enabled, std::chrono::milliseconds delay) {
    synth::change([&](synth::Tuning& t) {
        t.preload = enabled;
        t.preloadDelay = delay;
    });
}

void restoreDefaults() {
    synth::change([](synth::Tuning& t) { t = synth::Tuning{}; });
}

std::optional<BuiltInSynthesizerState> inspect(MidiOutDevice& device) {
    if (auto* synth = dynamic_cast<synth::BuiltInSynthesizer*>(&device)) {
        return synth->state();
    }
    return std::nullopt;
}

bool waitUntilApplied(MidiOutDevice& device, std::chrono::milliseconds limit) {
    auto* synth = dynamic_cast<synth::BuiltInSynthesizer*>(&device);
    return synth != nullptr && synth->waitUntilApplied(limit);
}

double configuredOutputLatencyMs() {
    return synth::requestedLatencyMs();
}

std::vector<std::string> installedSoundFonts() {
    namespace fs = std::filesystem;
    std::vector<std::string> fonts;
    std::vector<fs::path> seen;
    for (const std::string& path : soundFontCandidates()) {
        std::error_code ec;
        const fs::path real = fs::canonical(path, ec);
        if (ec || !fs::is_regular_file(real, ec) ||
            std::find(seen.begin(), seen.end(), real) != seen.end()) {
            continue;
        }
        seen.push_back(real);
        fonts.push_back(path);
    }
    return fonts;
}

} // namespace platform::synth_testing

#include "doubles/SynthTesting.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace platform::synth_testing {

namespace {

std::mutex settingsMutex;
SynthSettings& settingsInForce() {
    static SynthSettings s;
    return s;
}

template <typename Change> void change(Change&& c) {
    std::lock_guard lock(settingsMutex);
    c(settingsInForce());
}

} // namespace

SynthSettings settings() {
    std::lock_guard lock(settingsMutex);
    return settingsInForce();
}

MidiOutFactory synthesizer() {
    return builtInSynthesizer(&settings);
}

void lookForSoundFontsOnlyIn(std::vector<std::string> places) {
    change([&](SynthSettings& s) { s.soundFontPlaces = std::move(places); });
}

void useAudioDrivers(std::vector<std::string> drivers, std::string fileName) {
    change([&](SynthSettings& s) {
        s.audioDrivers = std::move(drivers);
        s.audioFileName = std::move(fileName);
    });
}

void setIdlePause(std::chrono::milliseconds pauseAfter, std::chrono::milliseconds checkEvery) {
    change([&](SynthSettings& s) {
        s.idlePause = pauseAfter;
        s.idleCheck = std::max(checkEvery, std::chrono::milliseconds(1));
    });
}

void setReleaseLimit(std::chrono::milliseconds limit) {
    change([&](SynthSettings& s) { s.releaseLimit = limit; });
}

void setPreload(bool enabled, std::chrono::milliseconds delay) {
    change([&](SynthSettings& s) {
        s.preload = enabled;
        s.preloadDelay = delay;
    });
}

void restoreDefaults() {
    change([](SynthSettings& s) { s = SynthSettings{}; });
}

std::optional<BuiltInSynthesizerState> inspect(MidiOutDevice& device) {
    if (auto* synth = dynamic_cast<SynthesizerDevice*>(&device)) {
        return synth->state();
    }
    return std::nullopt;
}

bool waitUntilApplied(MidiOutDevice& device, std::chrono::milliseconds limit) {
    auto* synth = dynamic_cast<SynthesizerDevice*>(&device);
    return synth != nullptr && synth->waitUntilApplied(limit);
}

double configuredOutputLatencyMs() {
    return kOutputLatencyMs;
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

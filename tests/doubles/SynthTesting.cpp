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

} // namespace

SynthSettings settings() {
    std::lock_guard lock(settingsMutex);
    return settingsInForce();
}

MidiOutFactory synthesizer() {
    return builtInSynthesizer(&settings);
}

void useAudioDrivers(std::vector<std::string> drivers, std::string fileName) {
    configure([&](SynthSettings& s) {
        s.audioDrivers = std::move(drivers);
        s.audioFileName = std::move(fileName);
    });
}

void configure(const std::function<void(SynthSettings&)>& change) {
    std::lock_guard lock(settingsMutex);
    change(settingsInForce());
}

void restoreDefaults() {
    configure([](SynthSettings& s) { s = SynthSettings{}; });
}

std::optional<SynthesizerState> inspect(MidiOutDevice& device) {
    if (auto* synth = dynamic_cast<SynthesizerDevice*>(&device)) {
        return synth->state();
    }
    return std::nullopt;
}

bool waitUntilApplied(MidiOutDevice& device, std::chrono::milliseconds limit) {
    auto* synth = dynamic_cast<SynthesizerDevice*>(&device);
    return synth != nullptr && synth->waitUntilApplied(limit);
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

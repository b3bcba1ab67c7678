#include "platform/synth/SoundFonts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace platform::synth {

namespace {

const char* const kUsualSoundFonts[] = {
    "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
};

struct FontGain {
    const char* namePrefix; // of the font file's real name, links followed
    float gain;
};

// Measured at gain 1 with middle C at full velocity on each of programs 0 to 79 (reverb and
// chorus on): the median peak was -9.4 dBFS on TimGM6mb, -6.2 on FluidR3 and -10.6 on
// MuseScore General Lite. These gains bring the median near -7 dBFS and the piano between
// -11 and -8; the few louder instruments are caught by the limiter. The library's own
// default of 0.2 left the first and the last near -24 dBFS.
constexpr FontGain kFontGains[] = {
    {"TimGM6mb", 1.4f},
    {"FluidR3", 0.9f},
    {"MuseScore_General", 1.6f},
};
constexpr float kDefaultGain = 0.9f;

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string chosenFont() {
    const char* chosen = std::getenv("ZELPHOR_SOUNDFONT");
    return chosen != nullptr ? chosen : "";
}

void reportReplacedChoice(const std::string& chosen, const std::string& used) {
    const char* why = isFile(chosen) ? "is not a sound font" : "does not exist";
    std::fprintf(stderr, "zelphor: ZELPHOR_SOUNDFONT names %s, which %s; using %s instead\n",
                 chosen.c_str(), why, used.c_str());
}

} // namespace

std::string describePlaces(const std::vector<std::string>& paths) {
    std::string out;
    std::string lastFolder;
    for (const auto& path : paths) {
        const auto slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        if (!out.empty() && !folder.empty() && folder == lastFolder) {
            out += ", " + path.substr(slash + 1);
        } else {
            out += (out.empty() ? "" : "; ") + path;
        }
        lastFolder = folder;
    }
    return out;
}

std::optional<LoadedFont> loadFirstSoundFont(fluid_synth_t* synth, const SynthSettings& settings,
                                             Failure* failure) {
    const std::vector<std::string> candidates = soundFontCandidates(settings);
    const std::string chosen = chosenFont();
    std::vector<std::string> unreadable;
    for (const auto& path : candidates) {
        if (!isFile(path)) {
            continue;
        }
        // No presets chosen yet: choosing them for all 16 channels would read the samples of
        // the piano and the drum kit, a good part of the start-up, for notes that may never
        // come. The decoder picks a channel's first preset when it is needed.
        const int id = fluid_synth_sfload(synth, path.c_str(), 0);
        if (id != FLUID_FAILED) {
            if (!chosen.empty() && path != chosen) {
                reportReplacedChoice(chosen, path);
            }
            return LoadedFont{id, path};
        }
        unreadable.push_back(path);
    }
    const std::string named = chosen.empty() ? "" : "ZELPHOR_SOUNDFONT is not usable; ";
    if (unreadable.empty()) {
        *failure = {ZELPHOR_ERR_NOSOUNDFONT, named + "looked in " + describePlaces(candidates)};
    } else {
        *failure = {ZELPHOR_ERR_SYNTH, named + "could not load " + describePlaces(unreadable)};
    }
    return std::nullopt;
}

float gainFor(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    const std::string name = (ec ? std::filesystem::path(path) : real).filename().string();
    for (const FontGain& font : kFontGains) {
        if (name.rfind(font.namePrefix, 0) == 0) {
            return font.gain;
        }
    }
    return kDefaultGain;
}

} // namespace platform::synth

namespace platform {

std::vector<std::string> soundFontCandidates(const SynthSettings& settings) {
    synth::quietLibraries();
    std::vector<std::string> out;
    auto add = [&out](std::string path) {
        if (!path.empty() && std::find(out.begin(), out.end(), path) == out.end()) {
            out.push_back(std::move(path));
        }
    };
    add(synth::chosenFont());
    if (const auto& places = settings.soundFontPlaces) {
        for (const auto& p : *places) {
            add(p);
        }
        return out;
    }
    if (synth::SettingsPtr defaults{new_fluid_settings()}) {
        char* value = nullptr;
        if (fluid_settings_dupstr(defaults.get(), "synth.default-soundfont", &value) == FLUID_OK &&
            value != nullptr) {
            add(value);
        }
        fluid_free(value);
    }
    for (const char* p : synth::kUsualSoundFonts) {
        add(p);
    }
    return out;
}

} // namespace platform

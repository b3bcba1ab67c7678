#include "platform/synth/SynthEngine.h"

#include "platform/synth/AudioOutput.h"
#include "platform/synth/PresetLoader.h"
#include "platform/synth/SoundFonts.h"

#include <vector>

namespace platform::synth {

void configure(fluid_settings_t* settings) {
    // Samples are read when a preset is selected: the full General MIDI font would take
    // seconds and hundreds of megabytes before the first note. The preset loader reads
    // them in the background once the program is up.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // Beyond the 16 MIDI channels, one hidden channel per preset keeps its samples loaded.
    fluid_settings_setint(settings, "synth.midi-channels", kChannels + kHiddenChannels);
    configureAudio(settings);
}

std::optional<Engine> createEngine(double sampleRate, const SynthSettings& settings,
                                   Failure* failure) {
    quietLibraries();
    Engine engine;
    engine.settings.reset(new_fluid_settings());
    if (!engine.settings) {
        *failure = {ZELPHOR_ERR_SYNTH, "no memory for its settings"};
        return std::nullopt;
    }
    configure(engine.settings.get());
    if (fluid_settings_setnum(engine.settings.get(), "synth.sample-rate", sampleRate) != FLUID_OK) {
        *failure = {ZELPHOR_ERR_SYNTH,
                    "sample rate " + std::to_string(sampleRate) + " is not supported"};
        return std::nullopt;
    }
    takeLibraryError();
    engine.synth.reset(new_fluid_synth(engine.settings.get()));
    if (!engine.synth) {
        std::string why = takeLibraryError();
        *failure = {ZELPHOR_ERR_SYNTH, why.empty() ? "the library refused to create it" : why};
        return std::nullopt;
    }
    std::optional<LoadedFont> font = loadFirstSoundFont(engine.synth.get(), settings, failure);
    if (!font) {
        return std::nullopt;
    }
    engine.fontId = font->id;
    engine.fontPath = font->path;
    fluid_synth_set_gain(engine.synth.get(), gainFor(font->path));
    return engine;
}

} // namespace platform::synth

namespace platform::synth {

Voices voicesOf(fluid_synth_t* synth) {
    std::vector<fluid_voice_t*> list(static_cast<std::size_t>(fluid_synth_get_polyphony(synth)) + 1,
                                     nullptr);
    fluid_synth_get_voicelist(synth, list.data(), static_cast<int>(list.size()), -1);
    Voices v;
    for (fluid_voice_t* voice : list) {
        if (voice == nullptr) {
            break;
        }
        ++v.sounding;
        if (fluid_voice_is_on(voice) || fluid_voice_is_sustained(voice) ||
            fluid_voice_is_sostenuto(voice)) {
            ++v.held;
        }
    }
    return v;
}

} // namespace platform::synth

#pragma once

#include "platform/MidiOut.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The built-in General MIDI synthesizer, the program's device 0 once start-up registers it.
// Only the files in platform/synth see the synthesizer library.
namespace platform {

// What the built-in synthesizer can be set to; the program runs with the defaults.
struct SynthSettings {
    // Where to look for sound fonts after ZELPHOR_SOUNDFONT; the usual places when unset.
    std::optional<std::vector<std::string>> soundFontPlaces;
    // Library audio drivers to try, in order; the usual choice when unset. The "file" driver
    // writes raw 16-bit stereo to audioFileName, paced like a sound card.
    std::optional<std::vector<std::string>> audioDrivers;
    std::string audioFileName;
    // The audio output pauses after this long without a sounding voice, checked this often.
    std::chrono::milliseconds idlePause{3000};
    std::chrono::milliseconds idleCheck{500};
    // Released voices count as silent once this long has passed since the last message:
    // longer than any release in the General MIDI fonts we look for.
    std::chrono::milliseconds releaseLimit{10000};
    // Every instrument's samples are loaded this long after the device opens.
    bool preload = true;
    std::chrono::milliseconds preloadDelay{1500};
};

// Gives the settings in force whenever the synthesizer reads them: the sound font places at
// the open, the pauses and the preload for the life of an open device, and the audio drivers
// each time the output starts.
using SynthSettingsSource = std::function<SynthSettings()>;

// The latency the audio output asks the server for.
inline constexpr double kOutputLatencyMs = 30.0;

// The device slot of the built-in synthesizer with its audio output; the default settings
// when settings is empty.
MidiOutFactory builtInSynthesizer(SynthSettingsSource settings = {});

// What an open built-in synthesizer tells of itself.
struct SynthesizerState {
    bool audioRunning = false;
    int audioStarts = 0; // the open counts as the first
    int activeVoices = 0;
    int presetsLoaded = 0; // of the 81 loaded ahead
    int dropped = 0;       // messages dropped from a full queue
};

// The device an open of the built-in synthesizer gives.
class SynthesizerDevice : public MidiOutDevice {
public:
    virtual SynthesizerState state() = 0;
    // Waits until everything sent so far has reached the synthesizer; false on time-out.
    virtual bool waitUntilApplied(std::chrono::milliseconds limit) = 0;
};

// The General MIDI sound fonts looked for, in order: ZELPHOR_SOUNDFONT, then the library's
// own default setting, then the usual places (or the places the settings name). Exposed so
// the error text can name them.
std::vector<std::string> soundFontCandidates(const SynthSettings& settings = {});

// A synthesizer without an audio output, rendered by the caller: a render to a file.
class OfflineSynthesizer {
public:
    // Null when no sound font is found or the library fails; why in error.
    static std::unique_ptr<OfflineSynthesizer> create(double sampleRate, std::string* error,
                                                      const SynthSettings& settings = {});
    virtual ~OfflineSynthesizer() = default;
    virtual MidiOutDevice& device() = 0;
    // Renders frames of stereo audio into left and right.
    virtual void render(float* left, float* right, int frames) = 0;
    virtual int activeVoices() const = 0;
    virtual double sampleRate() const = 0;
    // The sound font it plays.
    virtual std::string fontPath() const = 0;
};

} // namespace platform

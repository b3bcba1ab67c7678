#pragma once

#include "platform/MidiOut.h"

#include <memory>
#include <string>
#include <vector>

// The built-in General MIDI synthesizer (device 0). Only the files in platform/synth see the
// synthesizer library.
namespace platform {

// The device slot of the built-in synthesizer with its audio output.
MidiOutFactory builtInSynthesizer();

// The General MIDI sound fonts looked for, in order: the library's own default setting
// first, then the usual places. Exposed so the error text and tests can name them.
std::vector<std::string> soundFontCandidates();

// A synthesizer without an audio output, rendered by the caller: for tests and benchmarks.
class OfflineSynthesizer {
public:
    // Null when no sound font is found or the library fails; why in error.
    static std::unique_ptr<OfflineSynthesizer> create(double sampleRate, std::string* error);
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

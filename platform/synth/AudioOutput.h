#pragma once

#include "platform/synth/FluidSynthOut.h"
#include "platform/synth/Limiter.h"
#include "platform/synth/SynthEngine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

// The synthesizer's way to the speakers: which audio output, with what buffer, under what
// name, and the limiter on the way.
namespace platform::synth {

// Period size and count, asked of every output.
void configureAudio(fluid_settings_t* settings);

// What the output's thread renders from; it must outlive the output, and it stays the same
// from one output to the next.
struct Renderer {
    Renderer(fluid_synth_t* s, double sampleRate) : synth(s), limiter(sampleRate) {}
    fluid_synth_t* synth;
    Limiter limiter;
    std::atomic<std::uint64_t> blocks{0}; // rendered by the library's outputs so far
    std::atomic<bool> dropPending{false}; // the next block ends every sounding note first
    std::atomic<bool> lost{false};        // the loss of the sound is on standard error
};

// A running audio output; destroying it stops it.
class RunningOutput {
public:
    virtual ~RunningOutput() = default;
};
using OutputPtr = std::unique_ptr<RunningOutput>;

// The first output of the settings' choice that starts; null when every output refused, and
// tried then names them. Waits for the audio server's first answer, within a time limit, or
// until stop is requested: call it off the window's thread.
OutputPtr startAudio(const Engine& engine, Renderer& renderer, const SynthSettings& settings,
                     std::stop_token stop, std::string* tried);

} // namespace platform::synth

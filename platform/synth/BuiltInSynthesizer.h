#pragma once

#include "platform/synth/AudioOutput.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
#include <memory>
#include <stop_token>
#include <thread>

// The built-in synthesizer as a MIDI output device. The window's thread only puts messages
// into a bounded queue; the synthesizer's own thread applies them in order, starts and
// pauses the audio output, and loads the instruments in the background. Nothing here makes
// the window's thread wait for the synthesizer or the audio server.
namespace platform::synth {

class BuiltInSynthesizer final : public SynthesizerDevice {
public:
    // The audio output renders through renderer, which renders from engine; settings are
    // read once here, and again for the audio drivers whenever the output starts again.
    BuiltInSynthesizer(Engine engine, std::unique_ptr<Renderer> renderer, OutputPtr driver,
                       SynthSettingsSource settings);
    ~BuiltInSynthesizer() override;

    void shortMessage(uint32_t message) override;
    void reset() override;
    // Applies what is queued, then stops the audio output and frees the synthesizer. Waits
    // a fraction of a second at most: a start of the audio output under way is given up.
    void close() override;

    SynthesizerState state() override;
    bool waitUntilApplied(std::chrono::milliseconds limit) override;

    static constexpr std::size_t kQueueCapacity = 4096;

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

// Opens the synthesizer with its audio output: the device slot of device 0.
// Gives up, closing what it opened, soon after stop is requested.
MidiOpenResult openBuiltInSynthesizer(const SynthSettingsSource& settings, std::stop_token stop);

} // namespace platform::synth

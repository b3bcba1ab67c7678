#include "platform/synth/FluidSynthOut.h"
#include "platform/synth/Limiter.h"
#include "platform/synth/MessageDecoder.h"
#include "platform/synth/PresetLoader.h"

namespace platform {

namespace {

class OfflineDevice final : public MidiOutDevice {
public:
    OfflineDevice(fluid_synth_t* synth, int fontId)
        : loader_(synth, fontId), decoder_(synth, &loader_) {}
    void shortMessage(uint32_t message) override { decoder_.play(message); }
    void reset() override { decoder_.endAllNotes(); }

private:
    synth::PresetLoader loader_;
    synth::MessageDecoder decoder_;
};

// Renders as the audio output does, limiter included, so that levels measured here are
// the levels heard.
class FluidOfflineSynthesizer final : public OfflineSynthesizer {
public:
    FluidOfflineSynthesizer(synth::Engine engine, double sampleRate)
        : engine_(std::move(engine)), device_(engine_.synth.get(), engine_.fontId),
          limiter_(sampleRate), sampleRate_(sampleRate) {}
    MidiOutDevice& device() override { return device_; }
    void render(float* left, float* right, int frames) override {
        if (left == nullptr || right == nullptr || frames <= 0) {
            return;
        }
        fluid_synth_write_float(engine_.synth.get(), frames, left, 0, 1, right, 0, 1);
        limiter_.process(left, right, frames);
    }
    int activeVoices() const override { return synth::voicesOf(engine_.synth.get()).sounding; }
    double sampleRate() const override { return sampleRate_; }
    std::string fontPath() const override { return engine_.fontPath; }

private:
    synth::Engine engine_;
    OfflineDevice device_;
    synth::Limiter limiter_;
    double sampleRate_;
};

} // namespace

std::unique_ptr<OfflineSynthesizer>
OfflineSynthesizer::create(double sampleRate, std::string* error, const SynthSettings& settings) {
    synth::Failure failure;
    std::optional<synth::Engine> engine = synth::createEngine(sampleRate, settings, &failure);
    if (!engine) {
        if (error != nullptr) {
            const char* reason = failure.code == ZELPHOR_ERR_NOSOUNDFONT
                                     ? "no General MIDI sound font found"
                                     : "the synthesizer could not be started";
            *error = std::string(reason) + " (" + failure.detail + ")";
        }
        return nullptr;
    }
    return std::make_unique<FluidOfflineSynthesizer>(std::move(*engine), sampleRate);
}

} // namespace platform

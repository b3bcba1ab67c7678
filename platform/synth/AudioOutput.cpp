#include "platform/synth/AudioOutput.h"

#include "platform/synth/PulseOutput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform::synth {

namespace {

// About 23 ms a period for the ALSA and JACK outputs; the PulseAudio output sets its own.
constexpr int kPeriodSize = 1024;
constexpr int kPeriods = 2;

struct AudioOutputChoice {
    std::string driver;
    std::string label;
};

bool isSocket(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// A JACK client without a server may try to start one, which takes seconds; a running
// server leaves its socket where both JACK implementations put it.
bool jackServerRunning() {
    const char* named = std::getenv("JACK_DEFAULT_SERVER");
    const std::string server = named != nullptr && *named != '\0' ? named : "default";
    const std::string uid = std::to_string(getuid());
    std::vector<std::string> dirs{"/dev/shm"};
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        dirs.emplace_back(runtime);
    }
    for (const auto& dir : dirs) {
        if (isSocket(dir + "/jack_" + server + "_" + uid + "_0") ||
            isSocket(dir + "/jack-" + uid + "/" + server + "/jack_0")) {
            return true;
        }
    }
    return false;
}

// PulseAudio first: it also serves PipeWire desktops. A running JACK server usually owns
// the sound card, so it goes before plain ALSA.
std::vector<AudioOutputChoice> audioOutputs(const SynthSettings& settings) {
    std::vector<AudioOutputChoice> outputs;
    if (settings.audioDrivers) {
        for (const auto& d : *settings.audioDrivers) {
            outputs.push_back({d, d});
        }
        return outputs;
    }
    outputs.push_back({"pulseaudio", "PulseAudio"});
    if (jackServerRunning()) {
        outputs.push_back({"jack", "JACK"});
    }
    outputs.push_back({"alsa", "ALSA"});
    return outputs;
}

// An output of the synthesizer library, rendering through the limiter; the library's file
// output renders straight from the synthesizer, without a callback, so it takes none.
class LibraryOutput final : public RunningOutput {
public:
    explicit LibraryOutput(DriverPtr driver) : driver_(std::move(driver)) {}

private:
    DriverPtr driver_;
};

int renderLimited(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    auto* renderer = static_cast<Renderer*>(data);
    if (nout < 2 || out == nullptr || out[0] == nullptr || out[1] == nullptr) {
        return fluid_synth_process(renderer->synth, len, nfx, fx, nout, out);
    }
    for (int i = 0; i < nout; ++i) {
        std::fill(out[i], out[i] + len, 0.0f);
    }
    const int result = fluid_synth_process(renderer->synth, len, 0, nullptr, 2, out);
    renderer->limiter.process(out[0], out[1], len);
    return result;
}

} // namespace

void configureAudio(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(settings, "audio.periods", kPeriods);
}

OutputPtr startAudio(const Engine& engine, Renderer& renderer, const SynthSettings& settings,
                     std::stop_token stop, std::string* tried) {
    std::vector<std::string> labels;
    for (const auto& output : audioOutputs(settings)) {
        labels.push_back(output.label);
        if (stop.stop_requested()) {
            break;
        }
        if (output.driver == "pulseaudio") {
            if (OutputPtr pulse = startPulseOutput(renderer, stop, nullptr)) {
                return pulse;
            }
            continue;
        }
        fluid_settings_t* library = engine.settings.get();
        if (fluid_settings_setstr(library, "audio.driver", output.driver.c_str()) != FLUID_OK) {
            continue;
        }
        if (output.driver == "file") {
            // Writes raw 16-bit stereo, paced like a sound card; it takes no limiter.
            fluid_settings_setstr(library, "audio.file.name", settings.audioFileName.c_str());
            fluid_settings_setstr(library, "audio.file.type", "raw");
            if (fluid_audio_driver_t* d = new_fluid_audio_driver(library, engine.synth.get())) {
                return std::make_unique<LibraryOutput>(DriverPtr(d));
            }
            continue;
        }
        if (fluid_audio_driver_t* d = new_fluid_audio_driver2(library, renderLimited, &renderer)) {
            return std::make_unique<LibraryOutput>(DriverPtr(d));
        }
    }
    if (tried != nullptr) {
        std::string text;
        for (const auto& label : labels) {
            text += (text.empty() ? "" : ", ") + label;
        }
        *tried = "tried " + text;
    }
    return nullptr;
}

} // namespace platform::synth

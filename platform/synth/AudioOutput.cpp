#include "platform/synth/AudioOutput.h"

#include "platform/synth/PulseOutput.h"
#include "platform/synth/WatchedOutput.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace platform::synth {

namespace {

// About 23 ms a period for the ALSA and JACK outputs; the PulseAudio output sets its own.
constexpr int kPeriodSize = 1024;
constexpr int kPeriods = 2;

// A server listens on the socket: one that was killed leaves the file behind, and a
// connection to it is refused at once. The connection is closed before the server asks for
// anything, which it takes for a client that left.
bool listening(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool accepted =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno == EAGAIN;
    close(fd);
    return accepted;
}

// A JACK client without a server may try to start one, which takes seconds; a running
// server listens on its socket where both JACK implementations put it.
bool jackServerRunning() {
    const char* named = std::getenv("JACK_DEFAULT_SERVER");
    const std::string server = named != nullptr && *named != '\0' ? named : "default";
    const std::string uid = std::to_string(getuid());
    std::vector<std::string> dirs{"/dev/shm"};
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        dirs.emplace_back(runtime);
    }
    for (const auto& dir : dirs) {
        if (listening(dir + "/jack_" + server + "_" + uid + "_0") ||
            listening(dir + "/jack-" + uid + "/" + server + "/jack_0")) {
            return true;
        }
    }
    return false;
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
    renderer->blocks.fetch_add(1, std::memory_order_relaxed);
    // What played while the sound was lost is not heard late.
    if (renderer->dropPending.exchange(false)) {
        fluid_synth_all_sounds_off(renderer->synth, -1);
    }
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

struct Start {
    const Engine& engine;
    Renderer& renderer;
    const SynthSettings& settings;
    std::stop_token stop;
};

struct OutputKind {
    const char* name;  // as the settings name it
    const char* label; // as the error text names it
    bool (*applies)(); // tried when the settings name no outputs, and again after a loss
    OutputPtr (*start)(const Start&, const OutputKind&);
};

OutputPtr startPulse(const Start& s, const OutputKind&) {
    return startPulseOutput(s.renderer, s.stop, nullptr);
}

// Watched, and opened again after a loss once the kind applies again: a JACK output is not
// opened while no server runs.
OutputPtr startLibraryDriver(const Start& s, const OutputKind& kind) {
    fluid_settings_t* library = s.engine.settings.get();
    Renderer* renderer = &s.renderer;
    const std::string driver = kind.name;
    bool first = true;
    auto open = [library, renderer, driver, applies = kind.applies, first]() mutable -> OutputPtr {
        if ((!first && !applies()) ||
            fluid_settings_setstr(library, "audio.driver", driver.c_str()) != FLUID_OK) {
            return nullptr;
        }
        first = false;
        fluid_audio_driver_t* d = new_fluid_audio_driver2(library, renderLimited, renderer);
        return d != nullptr ? std::make_unique<LibraryOutput>(DriverPtr(d)) : nullptr;
    };
    return startWatchedOutput(s.renderer, kind.label, std::move(open));
}

// Raw 16-bit stereo written to the file the settings name, paced like a sound card: the
// sound of a machine without one kept for listening later.
OutputPtr startFile(const Start& s, const OutputKind&) {
    fluid_settings_t* library = s.engine.settings.get();
    if (fluid_settings_setstr(library, "audio.driver", "file") != FLUID_OK) {
        return nullptr;
    }
    fluid_settings_setstr(library, "audio.file.name", s.settings.audioFileName.c_str());
    fluid_settings_setstr(library, "audio.file.type", "raw");
    fluid_audio_driver_t* d = new_fluid_audio_driver(library, s.engine.synth.get());
    return d != nullptr ? std::make_unique<LibraryOutput>(DriverPtr(d)) : nullptr;
}

bool always() {
    return true;
}
bool onlyWhenAsked() {
    return false;
}

// In order of preference. PulseAudio first: it also serves PipeWire desktops. A running
// JACK server usually owns the sound card, so it goes before plain ALSA.
constexpr OutputKind kOutputs[] = {
    {"pulseaudio", "PulseAudio", always, startPulse},
    {"jack", "JACK", jackServerRunning, startLibraryDriver},
    {"alsa", "ALSA", always, startLibraryDriver},
    {"file", "file", onlyWhenAsked, startFile},
};

// The outputs to try: those the settings name, in their order, any other driver of the
// library by its own name; else every output that applies.
std::vector<OutputKind> outputsToTry(const SynthSettings& settings) {
    std::vector<OutputKind> outputs;
    if (!settings.audioDrivers) {
        std::copy_if(std::begin(kOutputs), std::end(kOutputs), std::back_inserter(outputs),
                     [](const OutputKind& k) { return k.applies(); });
        return outputs;
    }
    for (const std::string& name : *settings.audioDrivers) {
        const auto* known = std::find_if(std::begin(kOutputs), std::end(kOutputs),
                                         [&](const OutputKind& k) { return name == k.name; });
        outputs.push_back(known != std::end(kOutputs)
                              ? *known
                              : OutputKind{name.c_str(), name.c_str(), always, startLibraryDriver});
    }
    return outputs;
}

} // namespace

void configureAudio(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(settings, "audio.periods", kPeriods);
    // A JACK output that nothing connects to the speakers is never heard, and one opened
    // again after a loss has new ports.
    fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
}

OutputPtr startAudio(const Engine& engine, Renderer& renderer, const SynthSettings& settings,
                     std::stop_token stop, std::string* tried) {
    std::vector<std::string> labels;
    const Start start{engine, renderer, settings, stop};
    for (const OutputKind& output : outputsToTry(settings)) {
        if (stop.stop_requested()) {
            break;
        }
        labels.emplace_back(output.label);
        if (OutputPtr running = output.start(start, output)) {
            return running;
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

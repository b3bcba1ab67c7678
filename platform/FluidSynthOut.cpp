#include "platform/FluidSynthOut.h"

#include "platform/FluidSynthOutTesting.h"

#include <fluidsynth.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kSampleRate = 44100.0;
// 512 x 2 frames give about 23 ms from note to sound at a few percent of a core while
// silent; smaller periods cost several times that and distort on some servers.
constexpr int kPeriodSize = 512;
constexpr int kPeriods = 2;
constexpr int kChannels = 16;
constexpr int kSustain = 64;
constexpr int kSostenuto = 66;
// A server that refused us is not asked again on every note.
constexpr auto kAudioRetryDelay = std::chrono::seconds(1);
// Long enough for a release and its reverb to fade out.
constexpr auto kIdlePause = std::chrono::milliseconds(3000);
constexpr auto kIdleCheck = std::chrono::milliseconds(500);
// Longer than any release in the General MIDI fonts we look for.
constexpr auto kReleaseLimit = std::chrono::milliseconds(10000);

const char* const kUsualSoundFonts[] = {
    "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
};

struct Overrides {
    std::mutex mutex;
    std::optional<std::vector<std::string>> soundFontPlaces;
    std::optional<std::vector<std::string>> audioDrivers;
    std::string audioFileName;
    std::chrono::milliseconds idlePause = kIdlePause;
    std::chrono::milliseconds idleCheck = kIdleCheck;
    std::chrono::milliseconds releaseLimit = kReleaseLimit;
};

Overrides& overrides() {
    static Overrides o;
    return o;
}

// --- The library's own messages -------------------------------------------------------

std::mutex libraryErrorMutex;
std::string lastLibraryError;

void keepLibraryMessage(int level, const char* message, void*) {
    if (level <= FLUID_ERR && message != nullptr) {
        std::lock_guard lock(libraryErrorMutex);
        lastLibraryError = message;
    }
}

std::string takeLibraryError() {
    std::lock_guard lock(libraryErrorMutex);
    return std::exchange(lastLibraryError, {});
}

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// A machine without sound is not an error worth printing: failed driver attempts would
// otherwise fill stderr. ALSA prints on its own, so its handler is set too; the library
// is already loaded by the synthesizer library, we only look it up.
void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, keepLibraryMessage, nullptr);
        }
        using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetAlsaHandler = int (*)(AlsaHandler);
        if (void* symbol = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")) {
            SetAlsaHandler set = nullptr;
            std::memcpy(&set, &symbol, sizeof set);
            set(ignoreAlsaMessage);
        }
    });
}

// --- Library objects --------------------------------------------------------------------

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct DriverDeleter {
    void operator()(fluid_audio_driver_t* d) const { delete_fluid_audio_driver(d); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;

// Settings outlive the synthesizer, which outlives any driver: members in that order.
struct Engine {
    SettingsPtr settings;
    SynthPtr synth;
};

struct Failure {
    MMRESULT code = ZELPHOR_ERR_SYNTH;
    std::string detail;
};

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) {
        out += (out.empty() ? "" : ", ") + p;
    }
    return out;
}

// Places in one folder share it, so that the list fits the 255 characters of an error box.
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

void configure(fluid_settings_t* settings) {
    // Samples are read when a channel selects a preset: the full General MIDI font would
    // take a second and over 100 MB at every start for the few instruments we play.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(settings, "audio.periods", kPeriods);
    // Otherwise the server shrinks its own buffer to match ours, costing CPU for nothing.
    fluid_settings_setint(settings, "audio.pulseaudio.adjust-latency", 0);
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::optional<Engine> createEngine(double sampleRate, Failure* failure) {
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
    const std::vector<std::string> candidates = soundFontCandidates();
    std::vector<std::string> unreadable;
    for (const auto& path : candidates) {
        if (!isFile(path)) {
            continue;
        }
        // No presets chosen yet: choosing them for all 16 channels would read the samples of
        // the piano and the drum kit, a good part of the start-up, for notes that may never
        // come. The decoder picks a channel's first preset when it is needed.
        if (fluid_synth_sfload(engine.synth.get(), path.c_str(), 0) != FLUID_FAILED) {
            return engine;
        }
        unreadable.push_back(path);
    }
    if (unreadable.empty()) {
        *failure = {ZELPHOR_ERR_NOSOUNDFONT, "looked in " + describePlaces(candidates)};
    } else {
        *failure = {ZELPHOR_ERR_SYNTH, "could not load " + describePlaces(unreadable)};
    }
    return std::nullopt;
}

struct Voices {
    int sounding = 0;
    int held = 0; // key down or kept by a pedal: not yet in their release
};

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

// --- Messages ---------------------------------------------------------------------------

uint32_t dataByte1(uint32_t message) {
    return (message >> 8) & 0xFF;
}
uint32_t dataByte2(uint32_t message) {
    return (message >> 16) & 0xFF;
}

// Turns short messages into synthesizer calls. The top byte is ignored, as the system's
// MIDI output does; a data byte with its high bit set is no MIDI data, so such a message is
// dropped rather than guessed at.
class Decoder {
public:
    explicit Decoder(fluid_synth_t* synth) : synth_(synth) { programs_.fill(kUnknown); }

    void play(uint32_t message) {
        const int status = static_cast<int>(message & 0xFF);
        const int data1 = static_cast<int>(dataByte1(message));
        const int data2 = static_cast<int>(dataByte2(message));
        if (data1 > 127 || data2 > 127) {
            return;
        }
        const int channel = status & 0x0F;
        switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, channel, data1);
            break;
        case 0x90:
            if (data2 == 0) {
                fluid_synth_noteoff(synth_, channel, data1);
            } else {
                if (!chosen_[channel]) {
                    // A channel plays the first program until it is told otherwise.
                    programChange(channel, 0);
                }
                fluid_synth_noteon(synth_, channel, data1, data2);
            }
            break;
        case 0xB0:
            if (data1 == kBankSelect || data1 == kBankSelectFine) {
                programs_[channel] = kUnknown;
            }
            fluid_synth_cc(synth_, channel, data1, data2);
            break;
        case 0xC0:
            // A note is preceded by its program every time. Selecting the same preset again
            // would drop and reload its samples, so a repeat is skipped.
            if (programs_[channel] != data1) {
                programChange(channel, data1);
            }
            break;
        default:
            break;
        }
    }

    // Pedals go up first: a held pedal would keep the released notes sounding.
    void endAllNotes() {
        for (int channel = 0; channel < kChannels; ++channel) {
            fluid_synth_cc(synth_, channel, kSustain, 0);
            fluid_synth_cc(synth_, channel, kSostenuto, 0);
            fluid_synth_all_notes_off(synth_, channel);
        }
    }

private:
    void programChange(int channel, int program) {
        fluid_synth_program_change(synth_, channel, program);
        programs_[channel] = program;
        chosen_[channel] = true;
    }

    static constexpr int kUnknown = -1;
    static constexpr int kBankSelect = 0;
    static constexpr int kBankSelectFine = 32;
    fluid_synth_t* synth_;
    std::array<int, kChannels> programs_{};
    std::array<bool, kChannels> chosen_{};
};

bool startsNote(uint32_t message) {
    return (message & 0xF0) == 0x90 && dataByte1(message) <= 127 && dataByte2(message) > 0 &&
           dataByte2(message) <= 127;
}

// --- Audio output -----------------------------------------------------------------------

struct AudioOutput {
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

struct AudioChoice {
    std::vector<AudioOutput> outputs;
    std::string fileName;
};

// PulseAudio first: it also serves PipeWire desktops. A running JACK server usually owns
// the sound card, so it goes before plain ALSA.
AudioChoice audioOutputs() {
    AudioChoice choice;
    {
        auto& o = overrides();
        std::lock_guard lock(o.mutex);
        if (o.audioDrivers) {
            for (const auto& d : *o.audioDrivers) {
                choice.outputs.push_back({d, d});
            }
            choice.fileName = o.audioFileName;
            return choice;
        }
    }
    choice.outputs.push_back({"pulseaudio", "PulseAudio"});
    if (jackServerRunning()) {
        choice.outputs.push_back({"jack", "JACK"});
    }
    choice.outputs.push_back({"alsa", "ALSA"});
    return choice;
}

// Null when every output refused; tried then names them.
DriverPtr startAudio(const Engine& engine, std::string* tried) {
    const AudioChoice choice = audioOutputs();
    std::vector<std::string> labels;
    for (const auto& output : choice.outputs) {
        labels.push_back(output.label);
        fluid_settings_t* settings = engine.settings.get();
        if (fluid_settings_setstr(settings, "audio.driver", output.driver.c_str()) != FLUID_OK) {
            continue;
        }
        if (output.driver == "file") {
            fluid_settings_setstr(settings, "audio.file.name", choice.fileName.c_str());
            fluid_settings_setstr(settings, "audio.file.type", "raw");
        }
        if (fluid_audio_driver_t* d = new_fluid_audio_driver(settings, engine.synth.get())) {
            return DriverPtr(d);
        }
    }
    if (tried != nullptr) {
        *tried = "tried " + joined(labels);
    }
    return nullptr;
}

// --- The devices ------------------------------------------------------------------------

class OfflineDevice final : public MidiOutDevice {
public:
    explicit OfflineDevice(fluid_synth_t* synth) : decoder_(synth) {}
    void shortMessage(uint32_t message) override { decoder_.play(message); }
    void reset() override { decoder_.endAllNotes(); }

private:
    Decoder decoder_;
};

class FluidOfflineSynthesizer final : public OfflineSynthesizer {
public:
    FluidOfflineSynthesizer(Engine engine, double sampleRate)
        : engine_(std::move(engine)), device_(engine_.synth.get()), sampleRate_(sampleRate) {}
    MidiOutDevice& device() override { return device_; }
    void render(float* left, float* right, int frames) override {
        if (left == nullptr || right == nullptr || frames <= 0) {
            return;
        }
        fluid_synth_write_float(engine_.synth.get(), frames, left, 0, 1, right, 0, 1);
    }
    int activeVoices() const override { return voicesOf(engine_.synth.get()).sounding; }
    double sampleRate() const override { return sampleRate_; }

private:
    Engine engine_;
    OfflineDevice device_;
    double sampleRate_;
};

// Messages come from the GUI thread; a small watcher thread stops the audio output once
// nothing has sounded for a while, so an idle program costs no CPU. The next note starts
// it again after the note is in the synthesizer, so the note's start is heard.
class BuiltInSynthesizer final : public MidiOutDevice {
public:
    BuiltInSynthesizer(Engine engine, DriverPtr driver)
        : engine_(std::move(engine)), decoder_(engine_.synth.get()) {
        {
            auto& o = overrides();
            std::lock_guard lock(o.mutex);
            idlePause_ = o.idlePause;
            idleCheck_ = o.idleCheck;
            releaseLimit_ = o.releaseLimit;
        }
        driver_ = std::move(driver);
        watcher_ = std::thread([this] { watch(); });
    }

    ~BuiltInSynthesizer() override { close(); }

    void shortMessage(uint32_t message) override {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        lastMessage_ = Clock::now();
        decoder_.play(message);
        if (!startsNote(message)) {
            return;
        }
        silentSince_.reset();
        if (driver_) {
            return;
        }
        const auto now = Clock::now();
        if (now < nextAudioAttempt_) {
            return;
        }
        driver_ = startAudio(engine_, nullptr);
        if (driver_) {
            ++audioStarts_;
            wake_.notify_all();
        } else {
            nextAudioAttempt_ = now + kAudioRetryDelay;
        }
    }

    void reset() override {
        std::lock_guard lock(mutex_);
        if (!closed_) {
            lastMessage_ = Clock::now();
            decoder_.endAllNotes();
        }
    }

    // The driver goes first: its thread renders from the synthesizer.
    void close() override {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        wake_.notify_all();
        if (watcher_.joinable()) {
            watcher_.join();
        }
        std::lock_guard lock(mutex_);
        driver_.reset();
    }

    synth_testing::BuiltInSynthesizerState state() {
        std::lock_guard lock(mutex_);
        return {driver_ != nullptr, audioStarts_, voicesOf(engine_.synth.get()).sounding};
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!closed_) {
            if (!driver_) {
                wake_.wait(lock, [this] { return closed_ || driver_ != nullptr; });
                continue;
            }
            wake_.wait_for(lock, idleCheck_, [this] { return closed_; });
            if (closed_ || !driver_) {
                continue;
            }
            const auto now = Clock::now();
            // With every Effect running the synthesizer works at its voice limit, and then
            // leaves a few voices that never finish their release, though they are silent.
            // No release lasts longer than the limit after the last message.
            const Voices voices = voicesOf(engine_.synth.get());
            const bool quiet =
                voices.sounding == 0 || (voices.held == 0 && now - lastMessage_ >= releaseLimit_);
            if (!quiet) {
                silentSince_.reset();
            } else if (!silentSince_) {
                silentSince_ = now;
            } else if (now - *silentSince_ >= idlePause_) {
                driver_.reset();
                silentSince_.reset();
            }
        }
    }

    Engine engine_;
    Decoder decoder_;
    std::mutex mutex_;
    std::condition_variable wake_;
    DriverPtr driver_; // after engine_: destroyed before the synthesizer
    bool closed_ = false;
    std::optional<Clock::time_point> silentSince_;
    Clock::time_point lastMessage_ = Clock::now();
    Clock::time_point nextAudioAttempt_{};
    int audioStarts_ = 1;
    std::chrono::milliseconds idlePause_{};
    std::chrono::milliseconds idleCheck_{};
    std::chrono::milliseconds releaseLimit_{};
    std::thread watcher_;
};

MidiOpenResult failed(MMRESULT code, std::string detail) {
    MidiOpenResult r;
    r.error = code;
    r.detail = std::move(detail);
    return r;
}

MidiOpenResult openBuiltInSynthesizer() {
    Failure failure;
    std::optional<Engine> engine = createEngine(kSampleRate, &failure);
    if (!engine) {
        return failed(failure.code, failure.detail);
    }
    std::string tried;
    DriverPtr driver = startAudio(*engine, &tried);
    if (!driver) {
        return failed(ZELPHOR_ERR_NOAUDIO, tried);
    }
    try {
        MidiOpenResult r;
        r.device = std::make_unique<BuiltInSynthesizer>(std::move(*engine), std::move(driver));
        return r;
    } catch (const std::exception& e) {
        return failed(ZELPHOR_ERR_SYNTH, e.what());
    }
}

} // namespace

std::vector<std::string> soundFontCandidates() {
    quietLibraries();
    std::vector<std::string> out;
    auto add = [&out](std::string path) {
        if (!path.empty() && std::find(out.begin(), out.end(), path) == out.end()) {
            out.push_back(std::move(path));
        }
    };
    if (const char* chosen = std::getenv("ZELPHOR_SOUNDFONT"); chosen != nullptr) {
        add(chosen);
    }
    {
        auto& o = overrides();
        std::lock_guard lock(o.mutex);
        if (o.soundFontPlaces) {
            for (const auto& p : *o.soundFontPlaces) {
                add(p);
            }
            return out;
        }
    }
    if (SettingsPtr settings{new_fluid_settings()}) {
        char* value = nullptr;
        if (fluid_settings_dupstr(settings.get(), "synth.default-soundfont", &value) == FLUID_OK &&
            value != nullptr) {
            add(value);
        }
        fluid_free(value);
    }
    for (const char* p : kUsualSoundFonts) {
        add(p);
    }
    return out;
}

MidiOutFactory builtInSynthesizer() {
    return [] { return openBuiltInSynthesizer(); };
}

std::unique_ptr<OfflineSynthesizer> OfflineSynthesizer::create(double sampleRate,
                                                               std::string* error) {
    Failure failure;
    std::optional<Engine> engine = createEngine(sampleRate, &failure);
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

namespace synth_testing {

void lookForSoundFontsOnlyIn(std::vector<std::string> places) {
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.soundFontPlaces = std::move(places);
}

void useAudioDrivers(std::vector<std::string> drivers, std::string fileName) {
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.audioDrivers = std::move(drivers);
    o.audioFileName = std::move(fileName);
}

void setIdlePause(std::chrono::milliseconds pauseAfter, std::chrono::milliseconds checkEvery) {
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.idlePause = pauseAfter;
    o.idleCheck = std::max(checkEvery, std::chrono::milliseconds(1));
}

void setReleaseLimit(std::chrono::milliseconds limit) {
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.releaseLimit = limit;
}

void restoreDefaults() {
    auto& o = overrides();
    std::lock_guard lock(o.mutex);
    o.soundFontPlaces.reset();
    o.audioDrivers.reset();
    o.audioFileName.clear();
    o.idlePause = kIdlePause;
    o.idleCheck = kIdleCheck;
    o.releaseLimit = kReleaseLimit;
}

std::optional<BuiltInSynthesizerState> inspect(MidiOutDevice& device) {
    if (auto* synth = dynamic_cast<BuiltInSynthesizer*>(&device)) {
        return synth->state();
    }
    return std::nullopt;
}

double configuredOutputLatencyMs() {
    SettingsPtr settings{new_fluid_settings()};
    if (!settings) {
        return 0.0;
    }
    configure(settings.get());
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kSampleRate);
    int periodSize = 0;
    int periods = 0;
    double rate = 0.0;
    fluid_settings_getint(settings.get(), "audio.period-size", &periodSize);
    fluid_settings_getint(settings.get(), "audio.periods", &periods);
    fluid_settings_getnum(settings.get(), "synth.sample-rate", &rate);
    return rate > 0.0 ? 1000.0 * periodSize * periods / rate : 0.0;
}

} // namespace synth_testing

} // namespace platform

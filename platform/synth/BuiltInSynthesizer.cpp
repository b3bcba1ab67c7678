#include "platform/synth/BuiltInSynthesizer.h"

#include "platform/synth/MessageChannel.h"
#include "platform/synth/MessageDecoder.h"
#include "platform/synth/PresetLoader.h"

#include <QLoggingCategory>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::synth {

namespace {

using Clock = std::chrono::steady_clock;

// A server that refused us is not asked again on every note.
constexpr auto kAudioRetryDelay = std::chrono::seconds(1);

// What the synthesizer does, for those who ask with QT_LOGGING_RULES="zelphor.synth.info=true".
Q_LOGGING_CATEGORY(synthLog, "zelphor.synth", QtWarningMsg)

} // namespace

struct BuiltInSynthesizer::Shared {
    Shared(Engine e, std::unique_ptr<Renderer> r, OutputPtr d, SynthSettingsSource s)
        : engine(std::move(e)), renderer(std::move(r)), loader(engine.synth.get(), engine.fontId),
          decoder(engine.synth.get(), &loader), driver(std::move(d)), channel(kQueueCapacity),
          source(std::move(s)), settings(source()) {}

    // Used by the synthesizer's thread only, in this order of destruction: the output
    // first, since its thread renders from the synthesizer.
    Engine engine;
    std::unique_ptr<Renderer> renderer;
    PresetLoader loader;
    MessageDecoder decoder;
    OutputPtr driver;

    MessageChannel channel;
    std::atomic<bool> closing{false};
    std::stop_source closeRequest; // ends a start of the audio output under way
    std::mutex mutex;
    std::condition_variable ended; // for close: the thread has finished
    bool finished = false;

    std::atomic<bool> audioRunning{false};
    std::atomic<int> audioStarts{1}; // the open counts as the first
    std::atomic<int> presetsLoaded{0};
    const SynthSettingsSource source;
    const SynthSettings settings;
    const Clock::time_point openedAt = Clock::now();
};

namespace {

// The synthesizer thread's own bookkeeping of the audio output.
struct AudioKeeping {
    bool silent = false;
    Clock::time_point silentSince{};
    Clock::time_point lastMessage = Clock::now();
    Clock::time_point nextAttempt{};
    Clock::time_point nextCheck{};
};

} // namespace

BuiltInSynthesizer::BuiltInSynthesizer(Engine engine, std::unique_ptr<Renderer> renderer,
                                       OutputPtr driver, SynthSettingsSource settings)
    : shared_(std::make_shared<Shared>(std::move(engine), std::move(renderer), std::move(driver),
                                       std::move(settings))) {
    shared_->audioRunning = shared_->driver != nullptr;
    thread_ = std::thread(run, shared_);
}

BuiltInSynthesizer::~BuiltInSynthesizer() {
    close();
}

void BuiltInSynthesizer::shortMessage(uint32_t message) {
    if (!shared_->closing.load(std::memory_order_relaxed)) {
        shared_->channel.push(message);
    }
}

void BuiltInSynthesizer::reset() {
    if (!shared_->closing.load(std::memory_order_relaxed)) {
        shared_->channel.pushReset();
    }
}

void BuiltInSynthesizer::close() {
    if (!thread_.joinable()) {
        return;
    }
    Shared& s = *shared_;
    s.closing = true;
    s.closeRequest.request_stop();
    s.channel.wake();
    // Every wait of the synthesizer's thread on the audio server ends on the close request.
    thread_.join();
}

bool BuiltInSynthesizer::waitUntilApplied(std::chrono::milliseconds limit) {
    Shared& s = *shared_;
    const uint64_t target = s.channel.sent();
    const auto end = Clock::now() + limit;
    while (s.channel.done() < target) {
        {
            std::lock_guard lock(s.mutex);
            if (s.finished) {
                return true;
            }
        }
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

SynthesizerState BuiltInSynthesizer::state() {
    Shared& s = *shared_;
    std::lock_guard lock(s.mutex);
    SynthesizerState state;
    state.audioRunning = s.audioRunning;
    state.audioStarts = s.audioStarts;
    state.presetsLoaded = s.presetsLoaded;
    state.dropped = static_cast<int>(s.channel.dropped());
    if (!s.finished) {
        state.activeVoices = voicesOf(s.engine.synth.get()).sounding;
    }
    return state;
}

void BuiltInSynthesizer::run(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    AudioKeeping audio;
    const auto preloadAt = s.openedAt + s.settings.preloadDelay;
    std::vector<QueuedMessage> batch;
    batch.reserve(kQueueCapacity);
    Clock::time_point nextBusyLoad{};

    // With every Effect running the synthesizer works at its voice limit, and then leaves
    // a few voices that never finish their release, though they are silent. No release
    // lasts longer than the limit after the last message.
    auto pauseWhenSilent = [&](Clock::time_point now) {
        if (!s.driver) {
            return;
        }
        const Voices voices = voicesOf(s.engine.synth.get());
        const bool quiet = voices.sounding == 0 ||
                           (voices.held == 0 && now - audio.lastMessage >= s.settings.releaseLimit);
        if (!quiet) {
            audio.silent = false;
        } else if (!audio.silent) {
            audio.silent = true;
            audio.silentSince = now;
        } else if (now - audio.silentSince >= s.settings.idlePause) {
            s.driver.reset();
            s.audioRunning = false;
            audio.silent = false;
        }
    };

    // The next note starts the output again once the note is in the synthesizer, so that
    // its start is heard.
    auto resumeForNote = [&](Clock::time_point now) {
        audio.silent = false;
        if (s.driver || now < audio.nextAttempt) {
            return;
        }
        s.driver =
            startAudio(s.engine, *s.renderer, s.source(), s.closeRequest.get_token(), nullptr);
        if (s.driver) {
            ++s.audioStarts;
            s.audioRunning = true;
        } else {
            audio.nextAttempt = now + kAudioRetryDelay;
        }
    };

    for (;;) {
        const bool preloading = s.settings.preload && !s.loader.done();
        const bool closing = s.closing.load();
        s.channel.takeAll(batch);
        if (batch.empty() && !closing) {
            if (s.driver || preloading) {
                s.channel.waitUntil(preloading ? std::min(audio.nextCheck, preloadAt)
                                               : audio.nextCheck);
            } else {
                s.channel.waitForever();
            }
            s.channel.takeAll(batch);
        }

        auto now = Clock::now();
        bool noteStarted = false;
        for (const QueuedMessage& m : batch) {
            if (m.reset) {
                s.decoder.endAllNotes();
            } else {
                s.decoder.play(m.message);
                noteStarted = noteStarted || startsNote(m.message);
            }
        }
        if (!batch.empty()) {
            audio.lastMessage = now;
        }
        if (noteStarted && !closing) {
            resumeForNote(now);
        }
        s.channel.markApplied();
        now = Clock::now();
        if (now >= audio.nextCheck) {
            pauseWhenSilent(now);
            audio.nextCheck = now + s.settings.idleCheck;
        }
        // Lowest priority: one instrument at a time while no message waits. Messages that
        // keep coming hold it back, but it still takes half of the thread's time at most:
        // otherwise busy Effects would load their instruments one by one as they choose them,
        // and the load would never end.
        if (preloading && !closing && now >= preloadAt && (batch.empty() || now >= nextBusyLoad)) {
            s.loader.loadNext();
            const auto loaded = Clock::now();
            nextBusyLoad = loaded + (loaded - now);
        }
        s.presetsLoaded = s.loader.loaded();
        if (preloading && s.loader.done()) {
            const std::chrono::duration<double> after = Clock::now() - s.openedAt;
            qCInfo(synthLog, "zelphor: all %d instruments are loaded, %.2f s after the open",
                   s.loader.loaded(), after.count());
        }
        // Everything sent before the close has been taken: a close is seen after the
        // messages that came before it.
        if (closing && batch.empty()) {
            break;
        }
    }

    s.driver.reset();
    s.audioRunning = false;
    std::lock_guard lock(s.mutex);
    s.engine.synth.reset();
    s.engine.settings.reset();
    s.finished = true;
    s.ended.notify_all();
}

MidiOpenResult openBuiltInSynthesizer(const SynthSettingsSource& settings, std::stop_token stop) {
    MidiOpenResult result;
    Failure failure;
    std::optional<Engine> engine = createEngine(kSampleRate, settings(), &failure);
    if (!engine) {
        result.error = failure.code;
        result.detail = failure.detail;
        return result;
    }
    auto renderer = std::make_unique<Renderer>(engine->synth.get(), kSampleRate);
    std::string tried;
    OutputPtr driver = startAudio(*engine, *renderer, settings(), stop, &tried);
    if (!driver || stop.stop_requested()) {
        result.error = ZELPHOR_ERR_NOAUDIO;
        result.detail = tried;
        return result;
    }
    try {
        result.device = std::make_unique<BuiltInSynthesizer>(
            std::move(*engine), std::move(renderer), std::move(driver), settings);
    } catch (const std::exception& e) {
        result.error = ZELPHOR_ERR_SYNTH;
        result.detail = e.what();
    }
    return result;
}

} // namespace platform::synth

namespace platform {

MidiOutFactory builtInSynthesizer(SynthSettingsSource settings) {
    if (!settings) {
        settings = [] { return SynthSettings{}; };
    }
    return [settings](std::stop_token stop) {
        return synth::openBuiltInSynthesizer(settings, std::move(stop));
    };
}

} // namespace platform

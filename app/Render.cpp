#include "app/Render.h"

#include "app/AutoPlay.h"
#include "app/frmGraphicsPlay.h"
#include "music/SoundCard.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace app {

namespace {

constexpr uint64_t nsPerSecond = 1'000'000'000;

// The sound of the show so far: the synthesizer rendered up to a moment and handed on, in
// blocks of a reused buffer.
class SoundTrack {
public:
    SoundTrack(const RenderSynthesizer& synth, RenderTarget& target)
        : synth_(synth), target_(target), left_(block), right_(block) {}

    // Everything up to the sample of time t, rounded down: a note sent at t starts on it.
    void reach(uint64_t t) {
        const uint64_t until = t * renderSampleRate / nsPerSecond;
        while (rendered_ < until && problem_.isEmpty()) {
            const int n = static_cast<int>(std::min<uint64_t>(block, until - rendered_));
            synth_.render(left_.data(), right_.data(), n);
            if (!target_.sound(left_.data(), right_.data(), n, &problem_) && problem_.isEmpty()) {
                problem_ = QStringLiteral("the sound could not be written");
            }
            rendered_ += static_cast<uint64_t>(n);
        }
    }
    uint64_t rendered() const { return rendered_; }
    const QString& problem() const { return problem_; }

private:
    static constexpr int block = 4096;
    const RenderSynthesizer& synth_;
    RenderTarget& target_;
    std::vector<float> left_;
    std::vector<float> right_;
    uint64_t rendered_ = 0;
    QString problem_;
};

// Device 0 of a render: each message reaches the synthesizer once the sound before its
// moment is rendered.
class TimedDevice final : public platform::MidiOutDevice {
public:
    TimedDevice(SoundTrack& track, const RenderSynthesizer& synth, const platform::Clock& clock)
        : track_(track), synth_(synth), clock_(clock) {}
    void shortMessage(uint32_t message) override {
        track_.reach(clock_.nowNanoseconds());
        synth_.device.shortMessage(message);
    }
    void reset() override {
        track_.reach(clock_.nowNanoseconds());
        synth_.device.reset();
    }

private:
    SoundTrack& track_;
    const RenderSynthesizer& synth_;
    const platform::Clock& clock_;
};

// Takes the pictures at their times, wherever the clock passes them (inside a pause too).
class Camera {
public:
    Camera(platform::VirtualClock& clock, frmGraphicsPlay& window, SoundTrack& track,
           RenderTarget& target, int fps, uint64_t frames, bool pictures)
        : clock_(clock), window_(window), track_(track), target_(target), fps_(fps),
          frames_(frames), pictures_(pictures) {}

    void start() { watchNext(); }
    uint64_t taken() const { return taken_; }
    bool done() const { return taken_ == frames_ || failed(); }
    bool failed() const { return !problem_.isEmpty() || !track_.problem().isEmpty(); }
    QString problem() const { return problem_.isEmpty() ? track_.problem() : problem_; }
    // No picture after this one.
    void stop() { frames_ = taken_; }
    uint64_t nextTime() const { return frameTime(taken_, fps_); }

private:
    void watchNext() {
        if (taken_ < frames_) {
            clock_.watch(nextTime(), [this] { take(); });
        }
    }
    void take() {
        if (taken_ >= frames_) {
            return;
        }
        track_.reach(clock_.nowNanoseconds());
        if (failed()) {
            return;
        }
        if (pictures_ && !target_.picture(window_.MyPic().image(), &problem_)) {
            if (problem_.isEmpty()) {
                problem_ = QStringLiteral("a picture could not be written");
            }
            return;
        }
        ++taken_;
        watchNext();
    }

    platform::VirtualClock& clock_;
    frmGraphicsPlay& window_;
    SoundTrack& track_;
    RenderTarget& target_;
    const int fps_;
    uint64_t frames_;
    const bool pictures_;
    uint64_t taken_ = 0;
    QString problem_;
};

} // namespace

RenderLength renderLength(double seconds, int fps) {
    RenderLength l;
    l.nanoseconds = static_cast<uint64_t>(std::llround(std::max(seconds, 0.0) * 1e9));
    const uint64_t rate = static_cast<uint64_t>(std::max(fps, 1));
    l.frames = std::max<uint64_t>(1, (l.nanoseconds * rate + nsPerSecond - 1) / nsPerSecond);
    l.samples = l.nanoseconds * renderSampleRate / nsPerSecond;
    return l;
}

uint64_t frameTime(uint64_t k, int fps) {
    const uint64_t rate = static_cast<uint64_t>(std::max(fps, 1));
    return (k * nsPerSecond + rate - 1) / rate;
}

RenderOutcome renderShow(const StartOptions& options, platform::VirtualClock& clock,
                         const RenderSynthesizer& synth, RenderTarget& target,
                         const std::atomic<bool>* stop, RenderProgress progress,
                         const RenderSinks& sinks) {
    const RenderOptions& render = *options.render;
    const RenderLength length = renderLength(render.seconds, render.fps);
    SoundTrack track(synth, target);
    RenderOutcome outcome;
    {
        platform::MidiOutRegistry devices({[&track, &synth, &clock](std::stop_token) {
            platform::MidiOpenResult r;
            r.device = std::make_unique<TimedDevice>(track, synth, clock);
            return r;
        }});
        PemSoundsModule::Link link(devices, sinks.problems);
        link.tap = sinks.recording;
        SoundCard card(link);
        int16_t device = 0;
        card.OpenCard(device);
        platform::ClockSeededRandom random;
        if (options.seed) {
            random.repeatable(*options.seed);
        }
        frmGraphicsPlay window(card, ProgramContext{clock, random, std::nullopt, link});
        window.loadUnshown(render.size);

        Camera camera(clock, window, track, target, render.fps, length.frames,
                      renderHasPicture(render.path));
        camera.start();
        PanelControls controls(window);
        std::unique_ptr<AutoPlay> director;
        if (render.start.empty()) {
            director = std::make_unique<AutoPlay>(window, options.seed.value_or(0),
                                                  options.speed.value_or(0),
                                                  AutoPlay::Input::Ignored, clock);
            director->start();
        } else {
            if (options.speed) {
                controls.setSpeed(*options.speed);
            }
            if (render.tune) {
                controls.chooseTune(*render.tune);
            }
            for (EffectButton button : render.start) {
                controls.startEffect(button);
            }
        }
        // At least the first picture, whenever the stop comes.
        while (!camera.done()) {
            clock.advanceTo(camera.nextTime());
            // What the widgets posted meanwhile, so that nothing piles up over a long render.
            QCoreApplication::sendPostedEvents();
            if (progress) {
                progress(clock.nowNanoseconds());
            }
            if (stop != nullptr && stop->load() && !camera.done()) {
                camera.stop();
                outcome.stopped = true;
            }
        }
        const uint64_t end =
            outcome.stopped ? frameTime(camera.taken(), render.fps) : length.nanoseconds;
        if (!camera.failed()) {
            clock.advanceTo(end);
            track.reach(end);
        }
        outcome.frames = renderHasPicture(render.path) ? camera.taken() : 0;
        outcome.problem = camera.problem();
        director.reset();
        // Every note ends with the show, as when the window unloads.
        window.close();
    }
    outcome.samples = track.rendered();
    return outcome;
}

} // namespace app

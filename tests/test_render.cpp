// A show rendered offline: the pictures are what the live window shows at the same moments,
// each note reaches the synthesizer at the sample of its moment, the lengths are exact, a
// render repeats with its seed, and an early stop or a failing target ends it cleanly.
#include "app/AutoPlay.h"
#include "app/Render.h"
#include "app/frmGraphicsPlay.h"
#include "doubles/RecordingMidiOut.h"
#include "effects/EffectTable.h"
#include "music/SoundCard.h"
#include "platform/Random.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr uint64_t nsPerSecond = 1'000'000'000;

// A note as it reached a synthesizer: the sample it starts on, and the message.
using Note = std::pair<uint64_t, uint32_t>;

// A synthesizer that keeps the notes with the sample count reached when each arrives; its
// sound is a ramp, so that sound handed on twice or out of order shows.
class NotingSynth final : public platform::MidiOutDevice {
public:
    void shortMessage(uint32_t message) override { notes.emplace_back(rendered, message); }
    void reset() override { ++resets; }
    void render(float* left, float* right, int frames) {
        for (int i = 0; i < frames; ++i) {
            left[i] = right[i] = static_cast<float>(rendered++ % 1000) / 1000.0f;
        }
    }
    app::RenderSynthesizer synthesizer() {
        return {*this, [this](float* l, float* r, int n) { render(l, r, n); }};
    }
    std::vector<Note> notes;
    uint64_t rendered = 0;
    int resets = 0;
};

// Keeps every picture's checksum (and chosen pictures whole) and checks the sound's ramp.
class Collector final : public app::RenderTarget {
public:
    bool picture(const QImage& frame, QString* problem) override {
        if (failAtPicture && pictures.size() == *failAtPicture) {
            *problem = QStringLiteral("disk full");
            return false;
        }
        const auto bytes = QByteArrayView(frame.constBits(), frame.sizeInBytes());
        pictures.push_back(QCryptographicHash::hash(bytes, QCryptographicHash::Md5));
        if (std::find(keep.begin(), keep.end(), pictures.size() - 1) != keep.end()) {
            kept.push_back(frame.copy());
        }
        return true;
    }
    bool sound(const float* left, const float*, int frames, QString*) override {
        for (int i = 0; i < frames; ++i) {
            rampBroken |= left[i] != static_cast<float>(samples % 1000) / 1000.0f;
            ++samples;
        }
        return true;
    }
    std::optional<std::size_t> failAtPicture;
    std::vector<std::size_t> keep;
    std::vector<QByteArray> pictures;
    std::vector<QImage> kept;
    uint64_t samples = 0;
    bool rampBroken = false;
};

app::StartOptions fixedScene(QString path, double seconds, int fps) {
    app::StartOptions o;
    app::RenderOptions r;
    r.path = std::move(path);
    r.seconds = seconds;
    r.size = QSize(320, 180);
    r.fps = fps;
    r.start = {EffectButton::cmdWash, EffectButton::CmdBlackHoles};
    o.render = r;
    o.speed = 50;
    o.seed = 3;
    return o;
}

struct Rendered {
    app::RenderOutcome outcome;
    Collector target;
    NotingSynth synth;
};

void render(const app::StartOptions& options, Rendered& out, const std::atomic<bool>* stop = {},
            app::RenderProgress progress = {}) {
    platform::VirtualClock clock;
    out.outcome = app::renderShow(options, clock, out.synth.synthesizer(), out.target, stop,
                                  std::move(progress));
}

// Notes the live window sent, with the sample of the virtual moment each was sent at.
class TimedRecorder final : public platform::MidiOutDevice {
public:
    explicit TimedRecorder(const platform::Clock& clock) : clock_(clock) {}
    void shortMessage(uint32_t message) override {
        notes.emplace_back(clock_.nowNanoseconds() * app::renderSampleRate / nsPerSecond, message);
    }
    void reset() override {}
    std::vector<Note> notes;

private:
    const platform::Clock& clock_;
};

TEST(Render, LengthsAreWholePicturesAndSamples) {
    struct Row {
        double seconds;
        int fps;
        uint64_t frames;
        uint64_t samples;
    };
    for (const Row& row : std::vector<Row>{{2.0, 30, 60, 96000},
                                           {0.35, 30, 11, 16800},
                                           {0.01, 30, 1, 480},
                                           {1.5, 24, 36, 72000},
                                           {3600.0, 120, 432000, 172800000}}) {
        const app::RenderLength l = app::renderLength(row.seconds, row.fps);
        EXPECT_EQ(l.frames, row.frames) << row.seconds << " s at " << row.fps;
        EXPECT_EQ(l.samples, row.samples) << row.seconds << " s at " << row.fps;
    }
    // Picture k at the first nanosecond at or after k / fps: the last one of an hour is
    // still inside it, none drifts.
    EXPECT_EQ(app::frameTime(1, 30), 33'333'334u);
    EXPECT_EQ(app::frameTime(107999, 30), 3'599'966'666'667u);
}

TEST(Render, PicturesAndNotesAreWhatTheLiveWindowShowsAndSendsAtTheSameMoments) {
    const app::StartOptions options = fixedScene(QStringLiteral("show.mp4"), 3.0, 10);
    Rendered rendered;
    rendered.target.keep = {0, 7, 29};
    render(options, rendered);
    ASSERT_TRUE(rendered.outcome.problem.isEmpty()) << qPrintable(rendered.outcome.problem);
    EXPECT_EQ(rendered.target.pictures.size(), 30u);
    EXPECT_EQ(rendered.outcome.frames, 30u);
    EXPECT_EQ(rendered.target.samples, 144000u);
    EXPECT_FALSE(rendered.target.rampBroken) << "the sound was handed on out of order";
    ASSERT_GT(rendered.synth.notes.size(), 20u);
    EXPECT_EQ(rendered.synth.resets, 1) << "the notes sounding at the end were not ended";

    // The same scene on the window as it runs on the screen, stepped on its own clock.
    platform::ClockSeededRandom random;
    random.repeatable(*options.seed);
    platform::VirtualClock clock;
    TimedRecorder live(clock);
    {
        platform::MidiOutRegistry devices({platform::deviceOnto(live)});
        PemSoundsModule::Link link(devices, {});
        SoundCard card(link);
        int16_t device = 0;
        card.OpenCard(device);
        frmGraphicsPlay window(card, app::ProgramContext{clock, random, {}, link});
        window.showInside(nullptr, options.render->size);
        PanelControls controls(window);
        controls.setSpeed(*options.speed);
        for (EffectButton b : options.render->start) {
            controls.startEffect(b);
        }
        for (std::size_t i = 0; i < rendered.target.keep.size(); ++i) {
            const std::size_t k = rendered.target.keep[i];
            clock.advanceTo(app::frameTime(k, options.render->fps));
            EXPECT_TRUE(window.MyPic().image() == rendered.target.kept[i])
                << "picture " << k << " differs from the live window";
        }
        clock.advanceTo(3 * nsPerSecond);
        window.close();
    }
    EXPECT_EQ(rendered.synth.notes, live.notes);
}

TEST(Render, RepeatsWithItsSeedAndDiffersWithAnother) {
    app::StartOptions options = fixedScene(QStringLiteral("show.webm"), 4.0, 15);
    options.render->start.clear(); // the director plays
    options.speed.reset();
    Rendered first;
    Rendered again;
    Rendered other;
    render(options, first);
    render(options, again);
    options.seed = 4;
    render(options, other);
    EXPECT_EQ(first.target.pictures.size(), 60u);
    EXPECT_EQ(first.target.pictures, again.target.pictures);
    EXPECT_EQ(first.synth.notes, again.synth.notes);
    EXPECT_NE(first.target.pictures, other.target.pictures);
}

TEST(Render, EndsCleanlyWhenStoppedOrWhenTheTargetFails) {
    struct Row {
        const char* what;
        const char* path;
        std::optional<std::size_t> failAt;
        int stopAfter; // picture times before the stop is asked for; -1: never
        uint64_t frames;
        uint64_t samples;
        bool stopped;
        bool problem;
    };
    // 10 pictures a second: 4800 samples each.
    const std::vector<Row> rows = {
        {"stopped", "show.mkv", {}, 12, 12, 57600, true, false},
        {"stopped before it began", "show.mp4", {}, 0, 1, 4800, true, false},
        {"sound alone, stopped", "show.flac", {}, 5, 0, 24000, true, false},
        {"sound alone", "show.wav", {}, -1, 0, 96000, false, false},
        {"target fails", "show.mp4", 4, -1, 4, 19200, false, true},
    };
    for (const Row& row : rows) {
        Rendered r;
        r.target.failAtPicture = row.failAt;
        std::atomic<bool> stop{row.stopAfter == 0};
        int calls = 0;
        render(fixedScene(QString::fromLatin1(row.path), 2.0, 10), r, &stop,
               [&](uint64_t) { stop = row.stopAfter >= 0 && ++calls >= row.stopAfter; });
        EXPECT_EQ(r.outcome.frames, row.frames) << row.what;
        EXPECT_EQ(r.target.pictures.size(), row.frames) << row.what;
        EXPECT_EQ(r.target.samples, row.samples) << row.what;
        EXPECT_EQ(r.outcome.samples, row.samples) << row.what;
        EXPECT_EQ(r.outcome.stopped, row.stopped) << row.what;
        EXPECT_EQ(!r.outcome.problem.isEmpty(), row.problem) << row.what;
    }
}

} // namespace

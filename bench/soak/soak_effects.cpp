// Every Effect running together for one simulated hour on the real main window, with the real
// synthesizer rendering offline between the ticks. Memory and the synthesizer's voices must
// stay flat: the last quarter of the hour may not have grown over the first.
// Run with: ctest --test-dir build -L soak (ZELPHOR_SOAK_MINUTES shortens the hour).
#include "BenchSupport.h"

#include "app/frmGraphicsPlay.h"
#include "doubles/WatchedClock.h"
#include "music/SoundCard.h"
#include "platform/MidiOut.h"
#include "platform/QtClock.h"
#include "platform/synth/FluidSynthOut.h"
#include "windows/InfoWindows.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512; // frames rendered at a time, as an audio callback would
constexpr double kBlockMs = kBlock * 1000.0 / kRate;
// Twelve times in the run the timers pause without a reset, long enough for the releases to
// end: then only the last note played should hold voices, and notes never ended pile up.
// Freeze follows, after which every voice must end.
constexpr int kLulls = 12;
constexpr double kLullMs = 30000.0;
constexpr double kAfterFreezeMs = 20000.0;

double minutesToRun() {
    bool ok = false;
    const double minutes = qEnvironmentVariable("ZELPHOR_SOAK_MINUTES").toDouble(&ok);
    return ok && minutes > 0 ? minutes : 60.0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

struct Quarters {
    double first;
    double last;
};

// Medians of the first and the last quarter of a series.
Quarters quarters(const std::vector<double>& series) {
    const std::size_t n = std::max<std::size_t>(series.size() / 4, 1);
    return {median({series.begin(), series.begin() + std::ptrdiff_t(n)}),
            median({series.end() - std::ptrdiff_t(n), series.end()})};
}

class Soak {
public:
    Soak(platform::OfflineSynthesizer& synth, SoundCard& card)
        : synth_(synth), form_(card, app::ProgramContext{clock_, random_, {}, card.link()}) {
        form_.showLoaded();
        // The intervals the window's timers run at now: the design values at speed 50.
        for (int t = 0; t < EffectTimerCount; ++t) {
            interval_[std::size_t(t)] = std::max(1, form_.scheduler().interval(EffectTimer(t)));
        }
    }
    ~Soak() {
        form_.close();
        InfoWindows::CloseAll();
    }

    void run(double endMs) {
        startAll();
        const double lullEvery = endMs / kLulls;
        double nextLull = lullEvery;
        for (;;) {
            const auto next = std::min_element(due_.begin(), due_.end());
            const double now = *next;
            if (now > endMs) {
                break;
            }
            if (now >= nextLull) {
                lull(now);
                nextLull += lullEvery;
                continue;
            }
            renderUntil(now);
            if (now >= nextSampleMs_) {
                // Deferred deletions and repaints happen, as in the event loop.
                QCoreApplication::processEvents();
                rssKb.push_back(bench::residentKiB());
                voices.push_back(synth_.activeVoices());
                nextSampleMs_ += 1000.0;
            }
            const auto index = std::size_t(next - due_.begin());
            if (form_.timerEnabled(EffectTimer(index))) {
                effects_.tick(EffectTimer(index));
                ++ticks;
            }
            *next += interval_[index];
            // Saturated Rainbow and Meteorites stop at the right edge: start them again.
            for (const bench::EffectEntry& effect : bench::timedEffects()) {
                if (!form_.timerEnabled(effect.timer)) {
                    form_.panel().effectButton(effect.button)->click();
                    ++restarts;
                }
            }
        }
    }

    std::vector<double> rssKb;
    std::vector<double> voices;
    std::vector<double> lullVoices;
    std::vector<double> afterFreezeVoices;
    std::vector<float> afterFreezePeaks; // loudest sample in the last second
    long ticks = 0;
    long restarts = 0;

private:
    void startAll() {
        for (const bench::EffectEntry& effect : bench::timedEffects()) {
            form_.panel().effectButton(effect.button)->click();
        }
        for (std::size_t t = 0; t < due_.size(); ++t) {
            due_[t] = interval_[t];
        }
    }

    // Audio runs ahead of the Effects' clock by the lulls so far.
    void renderUntil(double ms) {
        while (renderedMs_ + kBlockMs <= ms + audioAheadMs_) {
            synth_.render(left_.data(), right_.data(), kBlock);
            renderedMs_ += kBlockMs;
        }
    }

    // Renders ahead of the Effects' clock, as if time passed with no tick.
    void renderFor(double ms) {
        const double target = renderedMs_ + ms;
        lastSecondPeak_ = 0.0f;
        while (renderedMs_ + kBlockMs <= target) {
            synth_.render(left_.data(), right_.data(), kBlock);
            renderedMs_ += kBlockMs;
            if (renderedMs_ > target - 1000.0) {
                for (int i = 0; i < kBlock; ++i) {
                    lastSecondPeak_ = std::max({lastSecondPeak_, std::abs(left_[std::size_t(i)]),
                                                std::abs(right_[std::size_t(i)])});
                }
            }
        }
        audioAheadMs_ += ms;
    }

    void lull(double now) {
        renderUntil(now);
        std::array<bool, EffectTimerCount> running{};
        for (int t = 0; t < EffectTimerCount; ++t) {
            running[std::size_t(t)] = form_.timerEnabled(EffectTimer(t));
            form_.setTimerEnabled(EffectTimer(t), false);
        }
        renderFor(kLullMs);
        lullVoices.push_back(synth_.activeVoices());
        // Freeze ends every note; once the releases are over nothing may be left.
        form_.cmdStop_Click();
        renderFor(kAfterFreezeMs);
        afterFreezeVoices.push_back(synth_.activeVoices());
        afterFreezePeaks.push_back(lastSecondPeak_);
        for (int t = 0; t < EffectTimerCount; ++t) {
            form_.setTimerEnabled(EffectTimer(t), running[std::size_t(t)]);
        }
    }

    platform::OfflineSynthesizer& synth_;
    platform::ClockSeededRandom random_;
    // The advertisement window is not what this measures: its timer never runs.
    platform::WatchedClock clock_{platform::realClock(), {frmGraphicsPlay::adEveryMs}};
    frmGraphicsPlay form_;
    // Ticks on this benchmark's schedule, as the window's own Effects would take them.
    Effects effects_{form_};
    float lastSecondPeak_ = 0.0f;
    std::array<double, EffectTimerCount> interval_{};
    std::array<double, EffectTimerCount> due_{};
    std::array<float, kBlock> left_{};
    std::array<float, kBlock> right_{};
    double renderedMs_ = 0;
    double audioAheadMs_ = 0;
    double nextSampleMs_ = 0;
};

} // namespace

TEST(Soak, AllEffectsForAnHourStayFlat) {
    std::string error;
    std::unique_ptr<platform::OfflineSynthesizer> synth =
        platform::OfflineSynthesizer::create(kRate, &error);
    ASSERT_NE(synth, nullptr) << "the synthesizer does not start: " << error;
    platform::MidiOutRegistry devices({platform::deviceOnto(synth->device())});
    PemSoundsModule::Link link(devices, {});
    SoundCard card(link);
    int16_t device = 0;
    card.OpenCard(device);
    ASSERT_TRUE(card.Opened());

    const auto started = std::chrono::steady_clock::now();
    Soak soak(*synth, card);
    soak.run(minutesToRun() * 60000.0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    ASSERT_GE(soak.rssKb.size(), 8u);
    const Quarters rss = quarters(soak.rssKb);
    const Quarters voices = quarters(soak.voices);
    std::printf("soak: %ld ticks, %ld restarts of Effects that stopped, %.0f s of wall time\n"
                "soak: resident memory %.0f kB in the first quarter, %.0f kB in the last\n"
                "soak: active voices %.0f in the first quarter, %.0f in the last\n",
                soak.ticks, soak.restarts, seconds, rss.first, rss.last, voices.first, voices.last);
    for (std::size_t i = 0; i < soak.lullVoices.size(); ++i) {
        std::printf("soak: lull %zu: %.0f voices after 30 s without ticks, %.0f after Freeze "
                    "(loudest sample %.2g)\n",
                    i + 1, soak.lullVoices[i], soak.afterFreezeVoices[i],
                    double(soak.afterFreezePeaks[i]));
    }

    // A few bytes kept per note add up to megabytes over the hour's two million notes.
    EXPECT_LT(rss.last - rss.first, 8 * 1024.0) << "memory grows";
    EXPECT_LE(voices.last, voices.first * 1.25 + 4) << "voices pile up while playing";
    ASSERT_FALSE(soak.lullVoices.empty());
    const Quarters lulls = quarters(soak.lullVoices);
    EXPECT_LE(lulls.last, lulls.first + 8) << "voices pile up between lulls";
    // At its voice limit the synthesizer leaves a few voices that never finish, though they
    // are silent; a note still heard after Freeze would be a fault of ours.
    for (std::size_t i = 0; i < soak.afterFreezePeaks.size(); ++i) {
        EXPECT_LT(soak.afterFreezePeaks[i], 1e-4f) << "sound 20 s after Freeze in lull " << i + 1;
        EXPECT_LE(soak.afterFreezeVoices[i], 16) << "voices left after Freeze in lull " << i + 1;
    }
}

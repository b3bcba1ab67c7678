// Sustained pace: the real main window with its event loop, speed 400 and all nine Effects
// running. Do the timers deliver the ticks asked for, is painting coalesced to the screen's
// rate, and how much of the machine does it take?
#include "ObservedClock.h"
#include "ProgramBench.h"

#include "doubles/SynthTesting.h"
#include "platform/synth/FluidSynthOut.h"

#include <QEvent>
#include <QScreen>
#include <QSlider>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

// Every Effect at speed 400 in a program of its own, for the given time.
void runAllEffects(bench::Program& program, double seconds) {
    frmGraphicsPlay& w = program.window();
    w.panel().speedSlider()->setValue(400);
    for (const auto& entry : bench::timedEffects()) {
        w.panel().effectButton(entry.button)->click();
    }
    bench::runEventLoop(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
    w.cmdStop_Click();
}

// Per installed font: the whole process's CPU with the built-in synthesizer playing (once
// every instrument is loaded), and the level of what it plays, rendered offline as the
// Effects go: the share of samples at full scale and the share the limiter turned down.
void soundPerFont(bench::Report& report, double seconds) {
    namespace st = platform::synth_testing;
    for (const std::string& font : st::installedSoundFonts()) {
        setenv("ZELPHOR_SOUNDFONT", font.c_str(), 1);
        std::error_code ec;
        const std::string name = std::filesystem::canonical(font, ec).stem().string();
        {
            bench::Program program(bench::Program::Device::Synthesizer);
            if (!program.boxes().isEmpty()) {
                report.note("no sound device for " + name + ": " +
                            program.boxes().front().toStdString());
            } else {
                platform::MidiOutDevice* device =
                    program.handle() != 0 ? program.device() : nullptr;
                const auto start = bench::Clock::now();
                while (device != nullptr && st::inspect(*device)->presetsLoaded < 81 &&
                       bench::Clock::now() - start < std::chrono::seconds(60)) {
                    bench::runEventLoop(std::chrono::milliseconds(100));
                }
                const double cpuBefore = bench::cpuSeconds();
                const auto from = bench::Clock::now();
                runAllEffects(program, seconds);
                const double wall =
                    std::chrono::duration<double>(bench::Clock::now() - from).count();
                report.add("pace_cpu_synth_" + name,
                           100.0 * (bench::cpuSeconds() - cpuBefore) / wall, "percent");
            }
        }
        std::string error;
        auto synth = platform::OfflineSynthesizer::create(44100, &error);
        if (!synth) {
            report.note("no offline synthesizer for " + name + ": " + error);
            continue;
        }
        bench::Program program(synth->device());
        // 10 ms of sound rendered every 10 ms, so the notes keep the Effects' pace.
        std::vector<float> left(441);
        std::vector<float> right(441);
        long samples = 0;
        long full = 0;
        long limited = 0;
        QTimer render;
        QObject::connect(&render, &QTimer::timeout, [&] {
            synth->render(left.data(), right.data(), 441);
            for (std::size_t i = 0; i < left.size(); ++i) {
                for (const float v : {left[i], right[i]}) {
                    ++samples;
                    full += std::fabs(v) >= 1.0f ? 1 : 0;
                    limited += std::fabs(v) >= 0.89f ? 1 : 0;
                }
            }
        });
        render.start(10);
        runAllEffects(program, seconds * 3);
        render.stop();
        const double total = std::max<double>(1.0, static_cast<double>(samples));
        report.add("level_full_scale_" + name, 100.0 * static_cast<double>(full) / total, "percent",
                   bench::below(0.01));
        report.add("level_at_limiter_ceiling_" + name, 100.0 * static_cast<double>(limited) / total,
                   "percent");
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    double seconds = smoke ? 0.5 : 10.0;
    if (const auto given = bench::option(argc, argv, "--seconds")) {
        seconds = std::max(0.1, std::atof(given->c_str()));
    }
    bench::chooseOffscreenScreen();
    QApplication app(argc, argv);
    bench::Report report("pace");

    bench::ObservedClock clock;
    auto program = std::make_unique<bench::Program>(bench::Program::Device::Recorder, clock);
    frmGraphicsPlay& w = program->window();
    w.panel().speedSlider()->setValue(400);

    const auto& effects = bench::timedEffects();
    // Per timer: ticks delivered, and ticks asked for over the spans it ran. Saturated
    // Rainbow and Meteorites stop at the right edge (often, as the other Effects move
    // the X1 they share) and are started again at once, as their button would; a start
    // asks for its first tick one interval later, so each span is counted from its start.
    struct Count {
        long ticks = 0;
        double requested = 0.0;
        bench::Clock::time_point spanStart;
    };
    std::array<Count, EffectTimerCount> counts{};
    bool measuring = false;
    // The main window's first timers are the Effects', made in the order of EffectTimer.
    clock.after = [&w, &counts, &measuring, &effects](int made) {
        std::size_t i = 0;
        while (i < effects.size() && static_cast<int>(effects[i].timer) != made) {
            ++i;
        }
        if (i == effects.size()) {
            return;
        }
        const auto entry = effects[i];
        Count& c = counts[i];
        if (measuring) {
            ++c.ticks;
        }
        if (w.timerEnabled(entry.timer)) {
            return;
        }
        const auto stopped = bench::Clock::now();
        if (measuring) {
            c.requested += std::floor(
                std::chrono::duration<double, std::milli>(stopped - c.spanStart).count() /
                w.scheduler().interval(entry.timer));
        }
        w.panel().effectButton(entry.button)->click();
        c.spanStart = bench::Clock::now();
    };
    for (const auto& entry : effects) {
        w.panel().effectButton(entry.button)->click();
    }
    std::array<int, EffectTimerCount> intervals{};
    for (std::size_t i = 0; i < effects.size(); ++i) {
        intervals[i] = w.scheduler().interval(effects[i].timer);
    }

    // Paints of the picture box, counted as they reach it.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } paintCounter;
    auto* surface = w.findChild<platform::SurfaceWidget*>();
    surface->installEventFilter(&paintCounter);
    const double cpuBefore = bench::cpuSeconds();
    const auto start = bench::Clock::now();
    for (auto& c : counts) {
        c.spanStart = start;
    }
    measuring = true;
    bench::runEventLoop(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
    measuring = false;
    const auto end = bench::Clock::now();
    const double wall = std::chrono::duration<double>(end - start).count();
    const double cpu = bench::cpuSeconds() - cpuBefore;
    surface->removeEventFilter(&paintCounter);
    const int paints = paintCounter.paints;
    w.cmdStop_Click();
    for (std::size_t i = 0; i < effects.size(); ++i) {
        counts[i].requested +=
            std::chrono::duration<double, std::milli>(end - counts[i].spanStart).count() /
            intervals[i];
    }

    report.note("speed 400, " + std::to_string(wall).substr(0, 5) + " s, surface " +
                std::to_string(w.MyPic().image().width()) + " x " +
                std::to_string(w.MyPic().image().height()));
    for (std::size_t i = 0; i < effects.size(); ++i) {
        bench::Figure f;
        f.name = std::string("pace_") + effects[i].name;
        f.value = static_cast<double>(counts[i].ticks);
        f.unit = "ticks";
        f.baseline = counts[i].requested;
        f.ratioBudget = bench::atLeast(0.95);
        report.add(f);
    }
    const double refresh = w.screen() ? w.screen()->refreshRate() : 60.0;
    report.add("pace_frames_painted", paints / wall, "per_s", bench::atMost(refresh));
    report.add("pace_cpu", 100.0 * cpu / wall, "percent");
    program.reset();
    if (!smoke) {
        soundPerFont(report, seconds);
    }
    report.write();
    return 0;
}

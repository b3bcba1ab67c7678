// Seeded random user actions on the real main window, checking after each one what must always
// hold: well-formed MIDI, at most one note sounding, silence after Freeze, colour levels in
// range. ZELPHOR_MONKEY_SEED replays one seed; ZELPHOR_MONKEY_ACTIONS sets the actions per seed.
#include "app/frmGraphicsPlay.h"
#include "platform/Random.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"

#include <QAbstractButton>
#include <QApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>

namespace {

// The program's generator reseeded from the run's seed instead of the clock, so a seed replays.
class SeededProgramRandom final : public platform::RandomSource {
public:
    explicit SeededProgramRandom(uint64_t seed) : seed_(seed), generator_(seed) {}
    float next() override { return generator_.next(); }
    void reseed() override { generator_.seedWith(seed_ ^ (++reseeds_ * 0x9E3779B97F4A7C15ULL)); }

private:
    uint64_t seed_, reseeds_ = 0;
    platform::ClockSeededRandom generator_;
};

long envNumber(const char* name, long fallback) {
    bool ok = false;
    const long n = qEnvironmentVariable(name).toLong(&ok);
    return ok && n >= 0 ? n : fallback;
}

// Checks the messages recorded since the last call; empty when all is well.
std::string checkMidi(platform::MidiRecording& log, std::multiset<int>& sounding) {
    for (const platform::MidiEvent& e : log.events) {
        if (e.kind != platform::MidiEvent::Kind::ShortMessage) {
            sounding.clear();
            if (e.kind == platform::MidiEvent::Kind::Close) {
                return "the device was closed";
            }
            continue;
        }
        const uint8_t status = e.status();
        if ((status != 0x90 && status != 0xB0 && status != 0xC0) || e.data1() > 127 ||
            e.data2() > 127 || (e.message >> 24) != 0 || (status == 0xC0 && e.data2() != 0)) {
            return "malformed message " + std::to_string(e.message);
        }
        if (status == 0x90 && e.data2() > 0) {
            sounding.insert(e.data1());
        } else if (status == 0x90) {
            sounding.erase(e.data1());
        }
    }
    log.clear();
    return sounding.size() > 1 ? std::to_string(sounding.size()) + " notes sounding" : "";
}

void press(int key, Qt::KeyboardModifiers modifiers, QWidget* window) {
    window->activateWindow();
    QWidget* target = QApplication::focusWidget();
    target = target && target->window() == window ? target : window;
    testing_support::sendKey(target, key, modifiers);
}

std::vector<EffectTimer> runningTimers(frmGraphicsPlay& form) {
    std::vector<EffectTimer> running;
    for (int t = 0; t < EffectTimerCount; ++t) {
        if (form.timerEnabled(EffectTimer(t))) {
            running.push_back(EffectTimer(t));
        }
    }
    return running;
}

std::string runMonkey(uint64_t seed, long count) {
    std::mt19937_64 dice(seed);
    auto roll = [&dice](int n) { return std::uniform_int_distribution<int>(0, n - 1)(dice); };
    SeededProgramRandom random(seed);
    platform::setRandomSource(&random);
    testing_support::OpenRecorder recorder;
    frmGraphicsPlay form(recorder.card);
    form.showLoaded();
    QCoreApplication::processEvents();
    const int keys[] = {Qt::Key_F, Qt::Key_P, Qt::Key_H, Qt::Key_F1, Qt::Key_A, Qt::Key_C};
    std::multiset<int> sounding;
    std::string problem;
    for (long i = 0; i < count && problem.empty(); ++i) {
        std::string what = "effect tick";
        bool froze = false; // after a freeze nothing may sound or run
        const std::vector<EffectTimer> running = runningTimers(form);
        // Galactic Satellites pauses 100 ms, so it comes only about once in 1,600 actions.
        const int r = roll(1600);
        if (r > 0 && r < 1000 && !running.empty()) {
            form.effects().tick(running[std::size_t(roll(int(running.size())))]);
        } else if (r < 1350) {
            // Any button of any open window but Quit; Galactic Satellites only when r is 0.
            std::vector<QAbstractButton*> buttons;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
                    if (window->isVisible() && b != form.cmdQuit &&
                        (b == form.effectButton(EffectButton::cmdGalactic)) == (r == 0)) {
                        buttons.push_back(b);
                    }
                }
            }
            QAbstractButton* button = buttons[std::size_t(roll(int(buttons.size())))];
            what = "button " + button->text().toStdString();
            froze = button == form.cmdStop || button->text() == "Stop Music";
            button->click();
        } else if (r < 1500) {
            // Alt+C is an access key; plain C is not.
            const int key = keys[roll(6)];
            const auto modifiers = roll(4) == 0 ? Qt::AltModifier : Qt::NoModifier;
            what = "key " + QKeySequence(key | modifiers).toString().toStdString();
            froze = key == Qt::Key_F;
            press(key, modifiers, &form);
        } else if (r < 1530) {
            what = "advertisement tick";
            InfoWindows::AdTimer_Timer();
        } else if (r < 1570) {
            what = "sliders";
            form.SpeedSlider->setValue(1 + roll(400));
            form.SliderVolume->setValue(roll(128));
        } else {
            what = "pending events";
            QCoreApplication::processEvents();
        }
        problem = checkMidi(recorder.log(), sounding);
        if (problem.empty() && froze && (!sounding.empty() || !runningTimers(form).empty())) {
            problem = "a note sounds or an effect runs after Freeze";
        }
        const FormState& s = form.state();
        if (problem.empty() && (std::max({s.RedLevel, s.GreenLevel, s.BlueLevel}) > 255 ||
                                std::min({s.RedLevel, s.GreenLevel, s.BlueLevel}) < 0)) {
            problem = "colour level out of range";
        }
        if (problem.empty() && !form.isVisible()) {
            problem = "the main window closed";
        }
        if (!problem.empty()) {
            problem = "action " + std::to_string(i) + " (" + what + "): " + problem;
        }
    }
    form.close();
    InfoWindows::CloseAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::setRandomSource(nullptr);
    return problem;
}

TEST(Monkey, RandomUserActionsKeepEveryRule) {
    // The offscreen platform warns at every raise of a window; that says nothing here.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (previous && !message.contains("does not support raise()")) {
                previous(type, context, message);
            }
        });
    const long count = envNumber("ZELPHOR_MONKEY_ACTIONS", 5000);
    const long replay = envNumber("ZELPHOR_MONKEY_SEED", -1);
    const auto clock = std::chrono::system_clock::now().time_since_epoch().count() & 0x7FFFFFFF;
    for (const uint64_t seed : replay >= 0 ? std::vector<uint64_t>{uint64_t(replay)}
                                           : std::vector<uint64_t>{1, 2, uint64_t(clock)}) {
        // Printed first, so that a crash or a sanitizer report still names the seed.
        std::fprintf(stderr, "monkey: seed %llu, %ld actions\n", (unsigned long long)seed, count);
        const std::string problem = runMonkey(seed, count);
        EXPECT_TRUE(problem.empty()) << "seed " << seed << ", " << problem;
    }
    qInstallMessageHandler(previous);
}

} // namespace

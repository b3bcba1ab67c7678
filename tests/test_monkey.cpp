// Long seeded random runs of user actions on the real main window, checking after every
// action what must always hold: well-formed MIDI, at most one note sounding, silence after
// Freeze, colour levels in range. ZELPHOR_MONKEY_SEED replays one seed;
// ZELPHOR_MONKEY_ACTIONS sets the number of actions per seed.
#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "platform/Random.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

using testing_support::OpenRecorder;

namespace {

// The program's generator, but reseeded from the run's seed instead of the clock, so that a
// seed replays the same run.
class SeededProgramRandom final : public platform::RandomSource {
public:
    explicit SeededProgramRandom(uint64_t seed) : seed_(seed), generator_(seed) {}
    float next() override { return generator_.next(); }
    void reseed() override { generator_.seedWith(seed_ ^ (++reseeds_ * 0x9E3779B97F4A7C15ULL)); }

private:
    uint64_t seed_;
    uint64_t reseeds_ = 0;
    platform::ClockSeededRandom generator_;
};

// Aborts with the seed and the action when one action takes far too long: a drawing loop
// that never ends shows up here instead of as a silent time-out.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void begin(uint64_t seed, long action, const char* what) {
        std::lock_guard lock(mutex_);
        seed_ = seed;
        action_ = action;
        what_ = what;
        started_ = std::chrono::steady_clock::now();
        busy_ = true;
    }
    void end() {
        std::lock_guard lock(mutex_);
        busy_ = false;
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(200));
            if (busy_ && std::chrono::steady_clock::now() - started_ > limit_) {
                std::fprintf(stderr,
                             "monkey: seed %llu, action %ld (%s) still running after %lld s\n",
                             static_cast<unsigned long long>(seed_), action_, what_,
                             static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool busy_ = false;
    uint64_t seed_ = 0;
    long action_ = 0;
    const char* what_ = "";
    std::chrono::steady_clock::time_point started_;
    std::thread thread_;
};

// Follows the recording as it grows: checks every new message and keeps the sounding notes.
class MidiChecker {
public:
    explicit MidiChecker(platform::MidiRecording& log) : log_(log) {}

    // An empty string when all new events are well-formed, else what was wrong.
    std::string consume() {
        std::string problem;
        for (; seen_ < log_.events.size(); ++seen_) {
            const platform::MidiEvent& e = log_.events[seen_];
            if (e.kind == platform::MidiEvent::Kind::Reset) {
                sounding_.clear();
                continue;
            }
            if (e.kind == platform::MidiEvent::Kind::Close) {
                if (problem.empty()) {
                    problem = "the device was closed";
                }
                continue;
            }
            const uint8_t status = e.status();
            const bool known = status == 0x90 || status == 0xB0 || status == 0xC0;
            const bool inRange = e.data1() <= 127 && e.data2() <= 127 && (e.message >> 24) == 0 &&
                                 (status != 0xC0 || e.data2() == 0);
            if ((!known || !inRange) && problem.empty()) {
                char text[64];
                std::snprintf(text, sizeof text, "malformed message 0x%08X", e.message);
                problem = text;
            }
            if (status == 0x90) {
                if (e.data2() > 0) {
                    ++notesPlayed_;
                    sounding_.insert(e.data1());
                } else {
                    sounding_.erase(e.data1());
                }
            }
        }
        // The log is only a window on the stream; the state lives here.
        if (log_.events.size() > 4096) {
            log_.clear();
            seen_ = 0;
        }
        return problem;
    }
    const std::multiset<int>& sounding() const { return sounding_; }
    long notesPlayed() const { return notesPlayed_; }

private:
    platform::MidiRecording& log_;
    std::size_t seen_ = 0;
    std::multiset<int> sounding_;
    long notesPlayed_ = 0;
};

QtMessageHandler previousHandler = nullptr;

enum class Action {
    Tick,
    EffectButton,
    Galactic,
    Option,
    SpeedSlider,
    VolumeSlider,
    KeyF,
    KeyP,
    KeyH,
    KeyF1,
    KeyA,
    KeyC,
    AltC,
    SecondaryEscape,
    Clear,
    Freeze,
    AdTick,
    AdButton,
    AboutButton,
    Events,
};

struct Weighted {
    Action action;
    int weight;
    const char* name;
};

// Galactic Satellites pauses 100 ms, so it is picked only about once in 1,600 actions.
constexpr Weighted actionTable[] = {
    {Action::Tick, 1000, "effect tick"},
    {Action::EffectButton, 160, "effect button"},
    {Action::Galactic, 1, "Galactic Satellites"},
    {Action::Option, 60, "option button"},
    {Action::SpeedSlider, 50, "speed slider"},
    {Action::VolumeSlider, 50, "volume slider"},
    {Action::KeyF, 25, "key F"},
    {Action::KeyP, 30, "key P"},
    {Action::KeyH, 12, "key H"},
    {Action::KeyF1, 12, "key F1"},
    {Action::KeyA, 12, "key A"},
    {Action::KeyC, 20, "key C"},
    {Action::AltC, 20, "Alt+C"},
    {Action::SecondaryEscape, 40, "Escape in a secondary window"},
    {Action::Clear, 25, "Clear Screen"},
    {Action::Freeze, 25, "Freeze Everything"},
    {Action::AdTick, 30, "advertisement tick"},
    {Action::AdButton, 15, "advertisement window button"},
    {Action::AboutButton, 10, "About window button"},
    {Action::Events, 60, "pending events"},
};

long actionsPerSeed() {
    const QByteArray value = qgetenv("ZELPHOR_MONKEY_ACTIONS");
    bool ok = false;
    const long n = value.toLong(&ok);
    return ok && n > 0 ? n : 20000;
}

std::vector<uint64_t> seeds() {
    const QByteArray value = qgetenv("ZELPHOR_MONKEY_SEED");
    bool ok = false;
    const qulonglong seed = value.toULongLong(&ok);
    if (ok) {
        return {seed};
    }
    const auto clock = static_cast<uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count() & 0x7FFFFFFF);
    return {1, 2, 3, clock};
}

// The offscreen platform warns at every raise of a window; that says nothing here.
void quietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()")) || !previousHandler) {
        return;
    }
    previousHandler(type, context, message);
}

class Monkey {
public:
    Monkey(uint64_t seed, Watchdog& watchdog)
        : seed_(seed), dice_(seed), random_(seed), watchdog_(watchdog) {
        previousHandler = qInstallMessageHandler(quietRaise);
        platform::setRandomSource(&random_);
        form_.showLoaded();
        form_.activateWindow();
        QCoreApplication::processEvents();
        for (const Weighted& w : actionTable) {
            totalWeight_ += w.weight;
        }
    }
    ~Monkey() {
        form_.close();
        InfoWindows::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::setRandomSource(nullptr);
        qInstallMessageHandler(previousHandler);
    }

    long ticks = 0;
    long notesPlayed() const { return midi_.notesPlayed(); }

    // Runs the actions; on the first broken rule, the description of what broke.
    std::string run(long count) {
        for (long i = 0; i < count; ++i) {
            const Weighted& w = pick();
            std::string detail;
            watchdog_.begin(seed_, i, w.name);
            const bool froze = perform(w.action, detail);
            watchdog_.end();
            remember(i, w.name, detail);
            if (std::string problem = check(froze); !problem.empty()) {
                return failure(i, problem);
            }
            if (i % 256 == 0) {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }
        return {};
    }

private:
    int roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(dice_); }

    const Weighted& pick() {
        int r = roll(totalWeight_);
        for (const Weighted& w : actionTable) {
            if (r < w.weight) {
                return w;
            }
            r -= w.weight;
        }
        return actionTable[0];
    }

    void press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr || target->window() != window) {
            target = window;
        }
        const QString text = key >= Qt::Key_A && key <= Qt::Key_Z && modifiers == Qt::NoModifier
                                 ? QString(QChar(key)).toLower()
                                 : QString();
        QKeyEvent keyPress(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &keyPress);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(target, &release);
    }

    void pressOnMain(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        form_.activateWindow();
        press(&form_, key, modifiers);
    }

    // True when the action was a freeze, after which nothing may sound.
    bool perform(Action action, std::string& detail) {
        switch (action) {
        case Action::Tick: {
            std::vector<EffectTimer> running;
            for (int t = 0; t < EffectTimerCount; ++t) {
                if (form_.timerEnabled(static_cast<EffectTimer>(t))) {
                    running.push_back(static_cast<EffectTimer>(t));
                }
            }
            if (running.empty()) {
                return perform(Action::EffectButton, detail);
            }
            const EffectTimer t = running[static_cast<std::size_t>(roll(int(running.size())))];
            detail = "timer " + std::to_string(int(t));
            form_.effects().tick(t);
            ++ticks;
            return false;
        }
        case Action::EffectButton: {
            const int b = 1 + roll(EffectButtonCount - 1);
            detail = "button " + std::to_string(b);
            form_.effectButton(static_cast<EffectButton>(b))->click();
            return false;
        }
        case Action::Galactic:
            form_.effectButton(EffectButton::cmdGalactic)->click();
            return false;
        case Action::Option: {
            const int o = roll(int(form_.optTune.size()));
            detail = "option " + std::to_string(o);
            form_.optTune[static_cast<std::size_t>(o)]->click();
            return false;
        }
        case Action::SpeedSlider: {
            const int v = 1 + roll(400);
            detail = "value " + std::to_string(v);
            form_.SpeedSlider->setValue(v);
            return false;
        }
        case Action::VolumeSlider: {
            const int v = roll(128);
            detail = "value " + std::to_string(v);
            form_.SliderVolume->setValue(v);
            return false;
        }
        case Action::KeyF:
            pressOnMain(Qt::Key_F);
            return true;
        case Action::KeyP:
            pressOnMain(Qt::Key_P);
            return false;
        case Action::KeyH:
            pressOnMain(Qt::Key_H);
            return false;
        case Action::KeyF1:
            pressOnMain(Qt::Key_F1);
            return false;
        case Action::KeyA:
            pressOnMain(Qt::Key_A);
            return false;
        case Action::KeyC:
            pressOnMain(Qt::Key_C);
            return false;
        case Action::AltC:
            pressOnMain(Qt::Key_C, Qt::AltModifier);
            return false;
        case Action::SecondaryEscape:
            return escapeInSecondary(detail);
        case Action::Clear:
            form_.cmdClear->click();
            return false;
        case Action::Freeze:
            form_.cmdStop->click();
            return true;
        case Action::AdTick:
            InfoWindows::AdTimer_Timer();
            return false;
        case Action::AdButton:
            if (frmAd* ad = InfoWindows::AdWindow()) {
                const bool stop = roll(2) == 0;
                detail = stop ? "Stop Music" : "OK";
                (stop ? ad->cmdStopMusic : ad->cmdOK)->click();
                return stop;
            }
            return false;
        case Action::AboutButton:
            if (frmAbout* about = InfoWindows::AboutWindow()) {
                const bool more = roll(2) == 0;
                detail = more ? "More Information" : "OK";
                (more ? about->cmdMoreInfo : about->cmdOK)->click();
            }
            return false;
        case Action::Events:
            QCoreApplication::processEvents();
            return false;
        }
        return false;
    }

    bool escapeInSecondary(std::string& detail) {
        std::vector<QWidget*> open;
        for (QWidget* w : {static_cast<QWidget*>(InfoWindows::HelpWindow()),
                           static_cast<QWidget*>(InfoWindows::AboutWindow()),
                           static_cast<QWidget*>(InfoWindows::AdWindow())}) {
            if (w != nullptr) {
                open.push_back(w);
            }
        }
        if (open.empty()) {
            return false;
        }
        QWidget* window = open[static_cast<std::size_t>(roll(int(open.size())))];
        detail = window->windowTitle().toStdString();
        window->activateWindow();
        press(window, Qt::Key_Escape);
        return false;
    }

    std::string check(bool froze) {
        if (std::string problem = midi_.consume(); !problem.empty()) {
            return problem;
        }
        if (midi_.sounding().size() > 1) {
            return std::to_string(midi_.sounding().size()) + " notes sounding";
        }
        if (froze) {
            if (!midi_.sounding().empty()) {
                return "a note sounds after Freeze";
            }
            for (int t = 0; t < EffectTimerCount; ++t) {
                if (form_.timerEnabled(static_cast<EffectTimer>(t))) {
                    return "timer " + std::to_string(t) + " runs after Freeze";
                }
            }
        }
        const FormState& s = form_.state();
        for (int level : {int(s.RedLevel), int(s.GreenLevel), int(s.BlueLevel)}) {
            if (level < 0 || level > 255) {
                return "colour level " + std::to_string(level);
            }
        }
        if (!form_.isVisible()) {
            return "the main window closed";
        }
        return {};
    }

    void remember(long index, const char* name, const std::string& detail) {
        recent_.push_back(std::to_string(index) + ": " + name + (detail.empty() ? "" : " ") +
                          detail);
        if (recent_.size() > 20) {
            recent_.pop_front();
        }
    }

    std::string failure(long index, const std::string& problem) {
        std::ostringstream out;
        out << "seed " << seed_ << " (replay with ZELPHOR_MONKEY_SEED=" << seed_ << "), action "
            << index << ": " << problem << "\nlast actions:\n";
        for (const std::string& line : recent_) {
            out << "  " << line << "\n";
        }
        return out.str();
    }

    uint64_t seed_;
    std::mt19937_64 dice_;
    SeededProgramRandom random_;
    Watchdog& watchdog_;
    OpenRecorder recorder_;
    frmGraphicsPlay form_{recorder_.card};
    MidiChecker midi_{recorder_.log()};
    int totalWeight_ = 0;
    std::deque<std::string> recent_;
};

} // namespace

TEST(Monkey, RandomUserActionsKeepEveryRule) {
    Watchdog watchdog(std::chrono::seconds(30));
    const long count = actionsPerSeed();
    for (const uint64_t seed : seeds()) {
        // Printed first, so that a crash or a sanitizer report still names the seed.
        std::fprintf(stderr, "monkey: seed %llu, %ld actions\n",
                     static_cast<unsigned long long>(seed), count);
        std::fflush(stderr);
        const auto started = std::chrono::steady_clock::now();
        std::string problem;
        long ticks = 0;
        long notes = 0;
        {
            Monkey monkey(seed, watchdog);
            problem = monkey.run(count);
            ticks = monkey.ticks;
            notes = monkey.notesPlayed();
        }
        ASSERT_TRUE(problem.empty()) << problem;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        std::fprintf(stderr, "monkey: seed %llu passed in %lld ms (%ld Effect ticks, %ld notes)\n",
                     static_cast<unsigned long long>(seed), static_cast<long long>(ms.count()),
                     ticks, notes);
    }
}

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "platform/Random.h"
#include "support/LoadedWindow.h"
#include "windows/InfoWindows.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>

namespace {

using Window = testing_support::LoadedWindow;

TEST(MainWindow, KeyLegendPutsEachEntryOnALineOfItsOwn) {
    Window w;
    QTextLayout layout(ControlPanel::KeyLegend, w.form.panel().legend()->font());
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(w.form.panel().legend()->width());
        lines << ControlPanel::KeyLegend.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    EXPECT_EQ(lines, QStringList({"F  -               Freeze", "H or F1  -     Help",
                                  "Q or ESC -   Quit", "P -               Panel Show/Hide",
                                  "A -               About Zelphor"}));
    EXPECT_LE(lines.size() * QFontMetrics(w.form.panel().legend()->font()).lineSpacing(),
              w.form.panel().legend()->height());
}

TEST(MainWindow, KeysActOnceWhateverHasTheFocus) {
    Window w;
    w.form.panel().speedSlider()->setFocus();
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.panel().isVisible());
    w.press(Qt::Key_P);
    w.press(Qt::Key_Right);
    EXPECT_EQ(w.form.panel().speedSlider()->value(), 51) << "the arrow still reaches the slider";
    w.form.panel().effectButton(EffectButton::cmdGalactic)->setFocus();
    w.press(Qt::Key_H);
    EXPECT_NE(InfoWindows::HelpWindow(), nullptr);

    // C clears only as an access key; F and Q act whatever the modifiers, panel hidden or not.
    w.form.panel().effectButton(EffectButton::cmdRainbow)->click();
    w.press(Qt::Key_C);
    EXPECT_NE(w.form.MyPic().pixel(5, 297), 0);
    w.press(Qt::Key_C, Qt::AltModifier);
    MainSplash::Pause(200); // an access key presses its button visibly first
    EXPECT_EQ(w.form.MyPic().pixel(5, 297), 0);
    w.press(Qt::Key_F, Qt::AltModifier);
    MainSplash::Pause(200);
    EXPECT_FALSE(w.anyEffectTimerRunning());
    w.press(Qt::Key_P);
    w.press(Qt::Key_F, Qt::ShiftModifier);
    EXPECT_EQ(w.midi.log().resets(), 2u);
    w.press(Qt::Key_Q, Qt::AltModifier);
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_EQ(w.midi.log().closes(), 1u);
}

// The advertisement as the main window opens it through About's More Info.
frmAd* openAdThroughAbout(Window& w) {
    w.press(Qt::Key_A);
    frmAbout* about = InfoWindows::AboutWindow();
    if (about == nullptr) {
        return nullptr;
    }
    about->cmdMoreInfo->click();
    return InfoWindows::AdWindow();
}

TEST(MainWindow, StopMusicDoesNothingOnceTheWindowIsClosed) {
    Window w;
    int stops = 0;
    QObject::connect(w.form.panel().freezeButton(), &QPushButton::clicked, [&stops] { ++stops; });
    frmAd* ad = openAdThroughAbout(w);
    ASSERT_NE(ad, nullptr);
    ad->cmdStopMusic->click();
    w.form.close();
    ad->cmdStopMusic->click();
    EXPECT_EQ(stops, 1);
}

TEST(MainWindow, VolumeSliderSendsOnlyTheExpressionLevelWithZeroAtTheTop) {
    Window w;
    for (int v : {0, 127, 101}) {
        w.form.panel().volumeSlider()->setValue(v);
        EXPECT_EQ(w.midi.log().shortMessages(),
                  std::vector<uint32_t>{0x0BB0u + (uint32_t(v) << 16)});
        w.midi.log().clear();
    }
    // A click on the track above the handle (wherever the style puts the track across).
    QSlider* slider = w.form.panel().volumeSlider();
    for (int x = 0; x < slider->width() && slider->value() == 101; ++x) {
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, slider->height() / 5));
    }
    EXPECT_LT(slider->value(), 101);
    ASSERT_FALSE(w.midi.log().shortMessages().empty());
    EXPECT_EQ(w.midi.log().shortMessages().back(), 0x0BB0u + (uint32_t(slider->value()) << 16));
}

// The slider's value at load and its moves reach the timers (the rules: test_effect_scheduler).
TEST(MainWindow, SpeedSetsTheIntervalsAndFreezeStopsAndSilencesAllButKeepsTheWalkAndTheLevel) {
    Window w;
    EXPECT_EQ(w.form.scheduler().interval(EffectTimer::MyTimer), 20);
    w.form.panel().speedSlider()->setValue(16);
    EXPECT_EQ(w.form.scheduler().interval(EffectTimer::MyTimer), 62);
    EXPECT_EQ(w.form.scheduler().interval(EffectTimer::SineTimer), 125);
    w.form.panel().volumeSlider()->setValue(30);
    for (int b = 1; b < EffectButtonCount; ++b) {
        w.form.panel().effectButton(EffectButton(b))->click();
    }
    // A tick now, from Effects over the window: they keep nothing of their own between ticks.
    Effects(w.form).tick(EffectTimer::ShadedRainTimer);
    const int16_t index = w.form.state().TuneIndex;
    const auto intervals = w.form.scheduler().interval(EffectTimer::SineTimer);
    const QImage picture = w.form.MyPic().image().copy();
    w.midi.log().clear();
    w.press(Qt::Key_F);
    EXPECT_EQ(w.midi.log().resets(), 1u);
    EXPECT_TRUE(w.midi.log().shortMessages().empty()) << "the expression level is left alone";
    EXPECT_FALSE(w.anyEffectTimerRunning());
    EXPECT_TRUE(w.adTimerRunning());
    EXPECT_EQ(w.form.state().TuneIndex, index);
    EXPECT_EQ(w.form.scheduler().interval(EffectTimer::SineTimer), intervals);
    EXPECT_TRUE(w.form.MyPic().image() == picture);
    EXPECT_EQ(w.form.panel().volumeSlider()->value(), 30);
}

TEST(MainWindow, CaptionNamesTheEffectAndTheTuneChosenWhenItStarted) {
    Window w;
    EXPECT_EQ(w.form.panel().caption()->text(), "Zelphor Version 1.0 Rev 24");
    const char* const names[] = {
        "Black Holes",       "Einstein Waves", "Black Holes",    "Trigonemtric Tracejtories",
        "Jagged Maze",       "Spectral Flood", "Exploding Suns", "Cosmic Sines",
        "Saturated Rainbow", "Meteorites"}; // Galactic Satellites ends with Black Holes
    const char* const tunes[] = {"Chromatic",     "Major",         "Minor",
                                 "Pentatonic",    "Whole Tone",    "Frere Jacques",
                                 "Bobby Shaftoe", "Early Morning", "Toccata"};
    for (int b = 0; b < EffectButtonCount; ++b) {
        const int tune = (b + 1) % 9;
        w.form.panel().tuneOption(tune)->click();
        w.form.panel().effectButton(EffectButton(b))->click();
        const QString caption =
            QString("Zelphor Version 1.0 Rev 24 showing %1 to tune %2").arg(names[b], tunes[tune]);
        EXPECT_EQ(w.form.panel().caption()->text(), caption);
        w.form.panel().tuneOption(b % 9)->click();
        EXPECT_EQ(w.form.panel().caption()->text(), caption)
            << "a tune choice waits for the next start";
    }
}

TEST(InfoWindows, KeysOpenOneHelpAndOneAboutAndEscapeClosesEach) {
    Window w;
    w.press(Qt::Key_H);
    QPointer<frmHelp> help = InfoWindows::HelpWindow();
    ASSERT_NE(help, nullptr);
    for (int key : {Qt::Key_H, Qt::Key_F1}) {
        w.press(key);
        EXPECT_EQ(InfoWindows::HelpWindow(), help);
    }
    int helps = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        helps += qobject_cast<frmHelp*>(window) != nullptr && window->isVisible();
    }
    EXPECT_EQ(helps, 1);
    w.press(Qt::Key_A);
    QPointer<frmAbout> about = InfoWindows::AboutWindow();
    ASSERT_NE(about, nullptr);
    testing_support::sendKey(help->focusWidget() ? help->focusWidget() : help.data(),
                             Qt::Key_Escape);
    testing_support::sendKey(about->focusWidget() ? about->focusWidget() : about.data(),
                             Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull() && about.isNull());
    EXPECT_TRUE(w.form.isVisible()) << "Escape there does not quit here";
}

TEST(InfoWindows, StopMusicFreezesWhileTheAdvertisementStaysOpen) {
    Window w;
    w.form.panel().effectButton(EffectButton::cmdRainbow)->click();
    w.form.panel().effectButton(EffectButton::cmdWash)->click();
    frmAd* ad = openAdThroughAbout(w);
    ASSERT_NE(ad, nullptr);
    w.midi.log().clear();
    ad->cmdStopMusic->click();
    EXPECT_EQ(w.midi.log().resets(), 1u);
    EXPECT_FALSE(w.anyEffectTimerRunning());
    EXPECT_TRUE(ad->isVisible());
    EXPECT_TRUE(w.adTimerRunning());
}

// Closing the main window leaves Help open, and the program runs until Help closes too.
TEST(InfoWindows, TheProgramEndsWithItsLastWindow) {
    auto w = std::make_unique<Window>();
    w->press(Qt::Key_H);
    QObject context;
    bool helpOpenAlone = false, timedOut = false;
    QTimer::singleShot(0, &context, [&] { w->form.close(); });
    QTimer::singleShot(300, &context, [&] {
        helpOpenAlone = InfoWindows::HelpWindow() && InfoWindows::HelpWindow()->isVisible() &&
                        !w->form.isVisible();
        if (InfoWindows::HelpWindow()) {
            InfoWindows::HelpWindow()->close();
        }
    });
    QTimer::singleShot(5000, &context, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_TRUE(helpOpenAlone);
    EXPECT_FALSE(timedOut);
}

// Seeded random user actions on the real main window, checking after each one what must always
// hold: well-formed MIDI, at most one note sounding, silence after Freeze, colour levels in
// range, whatever the surface's size. ZELPHOR_MONKEY_SEED replays one seed; ZELPHOR_MONKEY_ACTIONS
// sets the actions per seed.

// The program's generator, reseeded from the run's seed instead of the clock so a seed replays.
struct SeededProgramRandom final : platform::RandomSource {
    explicit SeededProgramRandom(uint64_t runSeed) : seed(runSeed), generator(runSeed) {}
    float next() override { return generator.next(); }
    void reseed() override { generator.seedWith(seed ^ (++reseeds * 0x9E3779B97F4A7C15ULL)); }
    uint64_t seed, reseeds = 0;
    platform::ClockSeededRandom generator;
};

// Checks the messages recorded since the last call; empty when all is well.
std::string checkMidi(platform::MidiRecording& log, std::multiset<int>& sounding) {
    for (const platform::MidiEvent& e : log.events) {
        if (e.kind == platform::MidiEvent::Kind::Close) {
            return "the device was closed";
        }
        const uint8_t status = e.status();
        if (e.kind != platform::MidiEvent::Kind::ShortMessage) {
            sounding.clear();
        } else if ((status != 0x90 && status != 0xB0 && status != 0xC0) || e.data1() > 127 ||
                   e.data2() > 127 || (e.message >> 24) != 0 ||
                   (status == 0xC0 && e.data2() != 0)) {
            return "malformed message " + std::to_string(e.message);
        } else if (status == 0x90 && e.data2() > 0) {
            sounding.insert(e.data1());
        } else if (status == 0x90) {
            sounding.erase(e.data1());
        }
    }
    log.clear();
    return sounding.size() > 1 ? std::to_string(sounding.size()) + " notes sounding" : "";
}

std::string runMonkey(uint64_t seed, long count) {
    std::mt19937_64 dice(seed);
    auto roll = [&dice](int n) { return std::uniform_int_distribution<int>(0, n - 1)(dice); };
    SeededProgramRandom random(seed);
    auto window = std::make_unique<Window>(&random);
    frmGraphicsPlay& form = window->form;
    // Ticks out of turn, as the window's own Effects would take them.
    Effects ticks(form);
    const int keys[] = {Qt::Key_F, Qt::Key_P, Qt::Key_H, Qt::Key_F1, Qt::Key_A, Qt::Key_C};
    std::multiset<int> sounding;
    std::string problem;
    for (long i = 0; i < count && problem.empty(); ++i) {
        bool froze = false; // after a freeze nothing may sound or run
        const std::vector<EffectTimer> running =
            testing_support::runningTimers([&form](EffectTimer t) { return form.timerEnabled(t); });
        // Galactic Satellites pauses 100 ms, so it comes only about once in 1,600 actions.
        const int r = roll(1600);
        if (r > 0 && r < 1000 && !running.empty()) {
            ticks.tick(running[std::size_t(roll(int(running.size())))]);
        } else if (r < 1350) {
            // Any button of any open window but Quit; Galactic Satellites only when r is 0.
            std::vector<QAbstractButton*> buttons;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                for (QAbstractButton* b : top->findChildren<QAbstractButton*>()) {
                    if (top->isVisible() && b != form.panel().quitButton() &&
                        (b == form.panel().effectButton(EffectButton::cmdGalactic)) == (r == 0)) {
                        buttons.push_back(b);
                    }
                }
            }
            QAbstractButton* button = buttons[std::size_t(roll(int(buttons.size())))];
            froze = button == form.panel().freezeButton() || button->text() == "Stop Music";
            button->click();
        } else if (r < 1500) {
            const int key = keys[roll(6)];
            const auto modifiers = roll(4) == 0 ? Qt::AltModifier : Qt::NoModifier;
            froze = key == Qt::Key_F;
            window->press(key, modifiers);
        } else if (r < 1530) {
            // The advertisement, with the main window's Stop Music.
            window->press(Qt::Key_A);
            if (frmAbout* about = InfoWindows::AboutWindow()) {
                about->cmdMoreInfo->click();
            }
        } else if (r < 1570) {
            form.panel().speedSlider()->setValue(1 + roll(400));
            form.panel().volumeSlider()->setValue(roll(128));
        } else if (r < 1580) {
            // Effects read the surface's size afresh: down to a pixel, or far wider than tall.
            const QSize sizes[] = {{1024, 594}, {1, 1}, {7, 3}, {300, 900}, {1200, 40}};
            form.MyPic().resize(sizes[roll(5)]);
        } else {
            QCoreApplication::processEvents();
        }
        const FormState& s = form.state();
        const auto [low, high] = std::minmax({s.RedLevel, s.GreenLevel, s.BlueLevel});
        problem = checkMidi(window->midi.log(), sounding);
        if (problem.empty() && froze && (!sounding.empty() || window->anyEffectTimerRunning())) {
            problem = "a note sounds or an effect runs after Freeze";
        }
        if (problem.empty() && (low < 0 || high > 255 || !form.isVisible())) {
            problem = "a colour level out of range or the main window closed";
        }
        if (!problem.empty()) {
            problem =
                "action " + std::to_string(i) + " of seed " + std::to_string(seed) + ": " + problem;
        }
    }
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
    bool counted = false, replay = false;
    const int asked = qEnvironmentVariableIntValue("ZELPHOR_MONKEY_ACTIONS", &counted);
    const int chosen = qEnvironmentVariableIntValue("ZELPHOR_MONKEY_SEED", &replay);
    const long count = counted && asked >= 0 ? asked : 5000;
    const auto clock = std::chrono::system_clock::now().time_since_epoch().count() & 0x7FFFFFFF;
    for (const uint64_t seed : replay&& chosen >= 0
                                   ? std::vector<uint64_t>{uint64_t(chosen)}
                                   : std::vector<uint64_t>{1, 2, uint64_t(clock)}) {
        // Printed first, so that a crash or a sanitizer report still names the seed.
        std::fprintf(stderr, "monkey: seed %llu, %ld actions\n", (unsigned long long)seed, count);
        EXPECT_EQ(runMonkey(seed, count), "");
    }
    qInstallMessageHandler(previous);
}

} // namespace

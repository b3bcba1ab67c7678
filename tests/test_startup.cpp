#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "app/frmSplash.h"
#include "platform/Clock.h"
#include "platform/MidiOut.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

using testing_support::RecordedMidi;

namespace {

// The real clock and numbers of its own, for as long as the tests run, and the sound given.
app::ProgramContext realContext(PemSoundsModule::Link& sound) {
    static platform::ClockSeededRandom random;
    return {platform::realClock(), random, {}, sound};
}

// Processor time used by the whole process, every thread included.
double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

frmSplash* openSplash() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* s = qobject_cast<frmSplash*>(w); s != nullptr && s->isVisible()) {
            return s;
        }
    }
    return nullptr;
}

} // namespace

TEST(Pause, ZeroHandlesEventsOnceNegativeNone) {
    for (const int16_t ms : {int16_t(0), int16_t(-5)}) {
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        const double start = platform::monotonicSeconds();
        MainSplash::Pause(ms);
        EXPECT_LT(platform::monotonicSeconds() - start, 0.01) << ms;
        EXPECT_EQ(ran, ms == 0) << ms;
        QCoreApplication::processEvents();
    }
}

TEST(Pause, WaitsMoreThanAskedHandlingEventsWithoutSpinning) {
    int ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    const double wall = platform::monotonicSeconds();
    const double cpu = cpuSeconds();
    MainSplash::Pause(500);
    const double waited = platform::monotonicSeconds() - wall;
    const double used = cpuSeconds() - cpu;
    EXPECT_GT(waited, 0.5);
    EXPECT_LT(waited, 0.8);
    EXPECT_GE(ticks, 15) << "events are handled throughout";
    // A busy loop would use the whole half second.
    EXPECT_LT(used, 0.25);
}

// The jingle plays while the splash shows and the main window is built hidden; a key closes
// the splash at once without shortening the jingle.
TEST(StartUp, JingleSplashAndMainWindowWithOrWithoutAKey) {
    for (const bool key : {false, true}) {
        SCOPED_TRACE(key ? "a key" : "no key");
        RecordedMidi midi;
        frmSplash* seenSplash = nullptr;
        QString version;
        bool mainBuiltHidden = false;
        bool closedByKey = false;
        QTimer::singleShot(100, [&] {
            seenSplash = openSplash();
            if (seenSplash != nullptr) {
                version = seenSplash->lblVersion->text();
            }
            const frmGraphicsPlay* main = MainSplash::MainWindow();
            mainBuiltHidden = main != nullptr && !main->isVisible();
            if (key && seenSplash != nullptr) {
                testing_support::sendKey(seenSplash, Qt::Key_X);
                closedByKey = openSplash() == nullptr;
            }
        });
        const double start = platform::monotonicSeconds();
        MainSplash::Main(realContext(midi.link));
        const double took = platform::monotonicSeconds() - start;

        ASSERT_NE(seenSplash, nullptr);
        EXPECT_EQ(version, "Version 1.0.24");
        EXPECT_TRUE(mainBuiltHidden) << "built while the jingle plays, shown after it";
        EXPECT_EQ(closedByKey, key);
        EXPECT_EQ(openSplash(), nullptr) << "the splash is gone";
        ASSERT_NE(MainSplash::MainWindow(), nullptr);
        EXPECT_TRUE(MainSplash::MainWindow()->isVisible());
        EXPECT_GT(took, 1.0);

        const auto& e = midi.log().events;
        const std::vector<uint32_t> expected = {0x007F0BB0, 0x000037C0, 0x007F4890, 0x000037C0,
                                                0x007F3C90, 0x000037C0, 0x00003C90};
        ASSERT_EQ(midi.log().shortMessages(), expected);
        for (std::size_t i : {2u, 4u}) {
            EXPECT_GT(e[i + 1].seconds - e[i].seconds, 0.5);
            EXPECT_LT(e[i + 1].seconds - e[i].seconds, 0.65);
        }
        MainSplash::Shutdown();
    }
}

TEST(StartUp, AMainWindowPreparedAheadShowsAsAFreshOne) {
    testing_support::OpenRecorder midi;
    frmGraphicsPlay fresh(midi.card, realContext(midi.link));
    frmGraphicsPlay prepared(midi.card, realContext(midi.link));
    prepared.prepareToShow();
    EXPECT_FALSE(prepared.isVisible());
    fresh.showLoaded();
    prepared.showLoaded();
    QCoreApplication::processEvents();
    EXPECT_EQ(prepared.geometry(), fresh.geometry());
    EXPECT_EQ(prepared.MyPic().image().size(), fresh.MyPic().image().size());
    // What reached the screen, not a fresh rendering.
    auto shown = [](frmGraphicsPlay& w) { return w.screen()->grabWindow(w.winId()).toImage(); };
    const QPoint caption = fresh.panel().caption()->mapTo(&fresh, QPoint(2, 2));
    EXPECT_EQ(shown(fresh).pixelColor(caption), QColor(0, 0, 192));
    EXPECT_EQ(shown(prepared), shown(fresh));
    EXPECT_TRUE(midi.log().shortMessages().empty());
}

// Run opens device 0 while the display connection and the splash come up.
TEST(StartUp, ADeviceOpenedAheadIsOpenedOnceOffTheMainThread) {
    auto log = std::make_shared<platform::MidiRecording>();
    std::atomic<int> opens{0};
    std::thread::id openedOn;
    platform::MidiOutRegistry devices({[&](std::stop_token stop) {
        ++opens;
        openedOn = std::this_thread::get_id();
        return platform::recordingDevice(log)(stop);
    }});
    devices.openAhead(0);
    devices.openAhead(0);
    devices.openAhead(7);
    platform::HMIDIOUT first = 0;
    platform::HMIDIOUT second = 0;
    ASSERT_EQ(devices.open(&first, 0), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(opens.load(), 1);
    EXPECT_NE(openedOn, std::this_thread::get_id());
    ASSERT_EQ(devices.open(&second, 0), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(opens.load(), 2);
    devices.close(first);
    devices.close(second);
}

TEST(StartUp, FailedDeviceShowsOneBoxAndGoesOnSilently) {
    RecordedMidi midi(
        {{platform::failingDevice(platform::ZELPHOR_ERR_NOSOUNDFONT, "looked in /nowhere")}});
    const testing_support::CapturedMessageBoxes& boxes = midi.boxes;
    MainSplash::Main(realContext(midi.link));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.titles.front(), "Zelphor");
    EXPECT_TRUE(boxes.texts.front().startsWith("midiOUT_Open\n"));
    EXPECT_TRUE(boxes.texts.front().contains("No General MIDI sound font was found"));
    EXPECT_TRUE(boxes.texts.front().contains("/nowhere"));
    ASSERT_NE(MainSplash::MainWindow(), nullptr);
    EXPECT_TRUE(MainSplash::MainWindow()->isVisible());
    EXPECT_FALSE(MainSplash::MySoundCard->Opened());
    MainSplash::MainWindow()->panel().freezeButton()->click();
    MainSplash::MainWindow()->close();
    MainSplash::Shutdown();
}

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "music/PemSoundsModule.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTextLayout>
#include <QTimer>

#include <gtest/gtest.h>

using testing_support::OpenRecorder;
using testing_support::playedNotes;

namespace {

// A loaded main window on the recording device, as after start-up.
struct Window {
    OpenRecorder midi;
    frmGraphicsPlay form{midi.card};

    Window() {
        form.showLoaded();
        form.activateWindow();
        QCoreApplication::processEvents();
        midi.log().clear();
    }
    ~Window() {
        form.close();
        InfoWindows::CloseAll();
    }

    // A key pressed on whatever has the focus. Qt turns it into a shortcut override first
    // and into an access-key shortcut where one matches, as for a key from the keyboard.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
        const QString text = key >= Qt::Key_A && key <= Qt::Key_Z && modifiers == Qt::NoModifier
                                 ? QString(QChar(key)).toLower()
                                 : QString();
        QKeyEvent keyPress(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &keyPress);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(target, &release);
    }

    bool anyEffectTimerRunning() {
        for (int i = 0; i < EffectTimerCount; ++i) {
            if (form.timerEnabled(static_cast<EffectTimer>(i))) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

TEST(MainWindowLayout, FitsTheScreenAsDesigned) {
    Window w;
    const QRect screen = w.form.screen()->geometry();
    EXPECT_EQ(w.form.geometry(), screen);
    EXPECT_EQ(w.form.windowTitle(), "Zelphor");
    EXPECT_TRUE(w.form.windowFlags() & Qt::FramelessWindowHint);
    const int panelTop = screen.height() - 157;
    EXPECT_EQ(w.form.picButtons->geometry(), QRect(0, panelTop, screen.width(), 157));
    // The surface stops 17 pixels above the panel: the caption line's height.
    EXPECT_EQ(w.form.picture->geometry(), QRect(0, 0, screen.width(), panelTop - 17));
    EXPECT_EQ(w.form.MyPic().ScaleWidth(), screen.width());
    EXPECT_EQ(w.form.MyPic().ScaleHeight(), panelTop - 17);
    EXPECT_FLOAT_EQ(w.form.state().DX1, screen.width() / 100.0f);
    EXPECT_FLOAT_EQ(w.form.state().DY1, (panelTop - 17) / 100.0f);
    EXPECT_FLOAT_EQ(w.form.state().DX2, screen.width() / 200.0f);
    EXPECT_FLOAT_EQ(w.form.state().DY2, (panelTop - 17) / 200.0f);
    if (screen.size() == QSize(1024, 768)) {
        EXPECT_EQ(panelTop, 611);
        EXPECT_EQ(w.form.MyPic().ScaleHeight(), 594);
    }
    // Controls keep their design places whatever the screen's width.
    EXPECT_EQ(w.form.effectButton(EffectButton::cmdShadedRainbow)->geometry(),
              QRect(728, 32, 73, 41));
    EXPECT_EQ(w.form.SpeedSlider->geometry(), QRect(184, 128, 1121, 25));
    EXPECT_EQ(w.form.MyCaption->text(), "Zelphor Version 1.0 Rev 24");
    EXPECT_EQ(w.form.state().RedLevel, 255);
    EXPECT_EQ(w.form.state().GreenLevel, 0);
    EXPECT_EQ(w.form.state().BlueLevel, 0);
    EXPECT_TRUE(w.form.optTune[0]->isChecked());
}

TEST(MainWindowLayout, AnotherScreenSize) {
    if (qEnvironmentVariableIsSet("ZELPHOR_TEST_SCREEN")) {
        GTEST_SKIP() << "already the child run";
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELPHOR_TEST_SCREEN", "1280x1024");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=MainWindowLayout.FitsTheScreenAsDesigned:MainWindowPanel.*"});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

TEST(MainWindowLayout, KeyLegendPutsEachEntryOnALineOfItsOwn) {
    Window w;
    QTextLayout layout(frmGraphicsPlay::KeyLegend, w.form.lblHelp->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(w.form.lblHelp->width());
        lines << frmGraphicsPlay::KeyLegend.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    const QStringList expected = {"F  -               Freeze", "H or F1  -     Help",
                                  "Q or ESC -   Quit", "P -               Panel Show/Hide",
                                  "A -               About Zelphor"};
    EXPECT_EQ(lines, expected);
    EXPECT_LE(lines.size() * QFontMetrics(w.form.lblHelp->font()).lineSpacing(),
              w.form.lblHelp->height());
}

TEST(MainWindowPanel, PTogglesThePanelAndItsOwnHeightRule) {
    Window w;
    const int inner = w.form.height();
    const int atLoad = w.form.picture->height();
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.picButtons->isVisible());
    EXPECT_EQ(w.form.picture->height(), inner);
    EXPECT_EQ(w.form.MyPic().ScaleHeight(), inner);
    w.press(Qt::Key_P);
    EXPECT_TRUE(w.form.picButtons->isVisible());
    EXPECT_EQ(w.form.picture->height(), inner - w.form.picButtons->height());
    EXPECT_EQ(w.form.picture->height(), atLoad + 17);
}

TEST(MainWindowPanel, HiddenPanelStillTakesKeys) {
    Window w;
    w.form.effects().click(EffectButton::cmdWash);
    w.press(Qt::Key_P);
    ASSERT_FALSE(w.form.picButtons->isVisible());
    w.press(Qt::Key_F);
    EXPECT_FALSE(w.anyEffectTimerRunning());
    EXPECT_EQ(w.midi.log().resets(), 1u);
    w.press(Qt::Key_Q);
    EXPECT_FALSE(w.form.isVisible());
}

TEST(MainWindowPanel, DrawingSurvivesAHeightChange) {
    Window w;
    w.form.MyPic().setDrawWidth(5);
    w.form.MyPic().PSet(100, 100, platform::RGB(0, 255, 0));
    w.press(Qt::Key_P);
    w.press(Qt::Key_P);
    EXPECT_EQ(w.form.MyPic().pixel(100, 100), platform::RGB(0, 255, 0));
}

TEST(MainWindowSpeed, IntervalsAfterStartUpAndAfterTheSlider) {
    struct Case {
        int value;
        int fast;
        int slow;
    };
    Window w;
    const EffectTimer fastTimers[] = {EffectTimer::MyTimer,         EffectTimer::RainTimer,
                                      EffectTimer::ShadedRainTimer, EffectTimer::JaggedTimer,
                                      EffectTimer::CircleTimer,     EffectTimer::WashTimer};
    for (EffectTimer t : fastTimers) {
        EXPECT_EQ(w.form.timer(t).interval(), 20);
    }
    EXPECT_EQ(w.form.timer(EffectTimer::ExplodeTimer).interval(), 10);
    EXPECT_EQ(w.form.timer(EffectTimer::SineTimer).interval(), 5);
    EXPECT_EQ(w.form.timer(EffectTimer::TrigTimer).interval(), 10);
    EXPECT_EQ(w.form.AdTimer.interval(), 15000);
    EXPECT_TRUE(w.form.AdTimer.isActive());

    for (const Case c : {Case{1, 1000, 2000}, Case{16, 62, 125}, Case{400, 2, 5}, Case{50, 20, 40},
                         Case{3, 333, 667}}) {
        w.form.SpeedSlider->setValue(c.value);
        for (EffectTimer t : fastTimers) {
            EXPECT_EQ(w.form.timer(t).interval(), c.fast) << c.value;
        }
        EXPECT_EQ(w.form.timer(EffectTimer::ExplodeTimer).interval(), c.fast) << c.value;
        EXPECT_EQ(w.form.timer(EffectTimer::SineTimer).interval(), c.slow) << c.value;
        EXPECT_EQ(w.form.timer(EffectTimer::TrigTimer).interval(), c.slow) << c.value;
        EXPECT_FALSE(w.anyEffectTimerRunning()) << "the slider starts nothing";
    }
}

TEST(MainWindowKeys, RoutingWithAButtonOrASliderFocused) {
    Window w;
    w.form.effectButton(EffectButton::cmdWash)->setFocus();
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.picButtons->isVisible());
    w.press(Qt::Key_P);

    w.form.SpeedSlider->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), w.form.SpeedSlider);
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.picButtons->isVisible()) << "P acts once with the slider focused";
    w.press(Qt::Key_P);
    EXPECT_TRUE(w.form.picButtons->isVisible());
    w.press(Qt::Key_Right);
    EXPECT_EQ(w.form.SpeedSlider->value(), 51) << "the arrow still reaches the slider";
    EXPECT_EQ(w.form.timer(EffectTimer::SineTimer).interval(), 39);
}

TEST(MainWindowKeys, AccessKeysActOnce) {
    Window w;
    ASSERT_EQ(QApplication::activeWindow(), &w.form) << "access keys need the active window";
    w.form.effects().click(EffectButton::cmdRainbow);
    ASSERT_NE(w.form.MyPic().pixel(5, 297), 0);

    w.press(Qt::Key_C);
    EXPECT_NE(w.form.MyPic().pixel(5, 297), 0) << "plain C does nothing";
    w.press(Qt::Key_C, Qt::AltModifier);
    MainSplash::Pause(200); // an access key presses its button visibly first
    EXPECT_EQ(w.form.MyPic().pixel(5, 297), 0) << "Alt+C clears";
    EXPECT_TRUE(w.form.timerEnabled(EffectTimer::RainTimer)) << "clearing stops nothing";

    w.press(Qt::Key_F, Qt::AltModifier);
    MainSplash::Pause(200);
    EXPECT_EQ(w.midi.log().resets(), 1u) << "Alt+F freezes once";
    EXPECT_FALSE(w.anyEffectTimerRunning());

    w.press(Qt::Key_F, Qt::ShiftModifier);
    EXPECT_EQ(w.midi.log().resets(), 2u) << "modifiers are not looked at";

    w.press(Qt::Key_Q, Qt::AltModifier);
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_EQ(w.midi.log().resets(), 3u);
    EXPECT_EQ(w.midi.log().closes(), 1u);
}

TEST(MainWindowKeys, EscapeQuitsAndTheDeviceIsResetThenClosed) {
    Window w;
    w.press(Qt::Key_Escape);
    EXPECT_FALSE(w.form.isVisible());
    ASSERT_EQ(w.midi.log().events.size(), 2u);
    EXPECT_EQ(w.midi.log().events[0].kind, platform::MidiEvent::Kind::Reset);
    EXPECT_EQ(w.midi.log().events[1].kind, platform::MidiEvent::Kind::Close);
}

TEST(MainWindowKeys, HelpAndAboutOpenOnce) {
    Window w;
    for (int key : {Qt::Key_H, Qt::Key_F1, Qt::Key_H}) {
        w.form.activateWindow();
        w.form.effectButton(EffectButton::cmdGalactic)->setFocus();
        w.press(key);
    }
    EXPECT_NE(InfoWindows::HelpWindow(), nullptr);
    w.form.effectButton(EffectButton::cmdGalactic)->setFocus();
    w.press(Qt::Key_A);
    EXPECT_NE(InfoWindows::AboutWindow(), nullptr);
    int helpWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        helpWindows += top->isVisible() && top->windowTitle() == "Zelphor Help" ? 1 : 0;
    }
    EXPECT_EQ(helpWindows, 1);
}

TEST(MainWindowCommands, FreezeStopsEveryEffectButNotTheAdvertisementTimer) {
    Window w;
    for (int b = 1; b < EffectButtonCount; ++b) {
        w.form.effects().click(static_cast<EffectButton>(b));
    }
    for (int t = 0; t < EffectTimerCount; ++t) {
        EXPECT_TRUE(w.form.timerEnabled(static_cast<EffectTimer>(t))) << t;
    }
    const QString caption = w.form.MyCaption->text();
    const int16_t index = w.form.state().TuneIndex;
    w.form.cmdStop->click();
    EXPECT_FALSE(w.anyEffectTimerRunning());
    EXPECT_TRUE(w.form.AdTimer.isActive());
    EXPECT_EQ(w.midi.log().resets(), 1u);
    EXPECT_TRUE(w.midi.log().soundingNotes().empty());
    EXPECT_EQ(w.form.MyCaption->text(), caption);
    EXPECT_EQ(w.form.state().TuneIndex, index);
}

TEST(MainWindowCommands, ClearLeavesTimersAndCaptionAlone) {
    Window w;
    w.form.effects().click(EffectButton::cmdRainbow);
    const QString caption = w.form.MyCaption->text();
    w.form.cmdClear->click();
    EXPECT_TRUE(w.form.timerEnabled(EffectTimer::RainTimer));
    EXPECT_EQ(w.form.MyCaption->text(), caption);
    EXPECT_EQ(w.form.MyPic().pixel(5, 297), 0);
}

TEST(MainWindowCaption, EffectAndTuneNames) {
    Window w;
    w.form.optTune[8]->click();
    w.form.effectButton(EffectButton::CmdBlackHoles)->click();
    EXPECT_EQ(w.form.MyCaption->text(),
              "Zelphor Version 1.0 Rev 24 showing Black Holes to tune Toccata");
    w.form.optTune[1]->click();
    EXPECT_EQ(w.form.MyCaption->text(),
              "Zelphor Version 1.0 Rev 24 showing Black Holes to tune Toccata")
        << "choosing a tune leaves the caption alone";
    w.form.effectButton(EffectButton::cmdTrig)->click();
    EXPECT_EQ(w.form.MyCaption->text(),
              "Zelphor Version 1.0 Rev 24 showing Trigonemtric Tracejtories to tune Major");
}

TEST(MainWindowMusic, TuneSwitchLeavesNoNoteSounding) {
    Window w;
    w.form.state().DX1 = 1;
    w.form.PlayNote();
    ASSERT_EQ(w.midi.log().soundingNotes().size(), 1u);
    w.form.optTune[3]->click();
    EXPECT_TRUE(w.midi.log().soundingNotes().empty());
    EXPECT_EQ(w.form.state().CurrentTune, w.form.state().PentatonicNotes);
}

TEST(MainWindowMusic, VolumeSliderSendsExpression) {
    Window w;
    w.form.SliderVolume->setValue(0);
    w.form.SliderVolume->setValue(127);
    EXPECT_EQ(w.midi.log().shortMessages(), (std::vector<uint32_t>{0x00000BB0u, 0x007F0BB0u}));
    w.midi.log().clear();
    emit w.form.SliderVolume->sliderReleased();
    EXPECT_EQ(w.midi.log().shortMessages(), (std::vector<uint32_t>{0x007F0BB0u}));
    EXPECT_TRUE(playedNotes(w.midi.log()).empty());
}

TEST(MainWindowFailures, WithoutADeviceEverythingStillWorks) {
    testing_support::CapturedMessageBoxes boxes;
    auto log = std::make_shared<platform::MidiRecording>();
    platform::setMidiOutDevices({platform::failingDevice(platform::ZELPHOR_ERR_NOAUDIO)});
    SoundCard card;
    int16_t device = 0;
    card.OpenCard(device);
    ASSERT_FALSE(card.Opened());
    ASSERT_EQ(boxes.texts.size(), 1);
    {
        frmGraphicsPlay form(card);
        form.showLoaded();
        for (int b = 0; b < EffectButtonCount; ++b) {
            if (b != static_cast<int>(EffectButton::cmdGalactic)) {
                form.effects().click(static_cast<EffectButton>(b));
            }
        }
        for (int i = 0; i < 50; ++i) {
            form.effects().tick(static_cast<EffectTimer>(i % EffectTimerCount));
        }
        form.SliderVolume->setValue(3);
        form.optTune[4]->click();
        form.cmdStop->click();
        form.cmdClear->click();
        form.close();
    }
    EXPECT_EQ(boxes.texts.size(), 1) << "one box only";
    platform::restoreDefaultMidiOutDevices();
}

TEST(MainWindowFailures, ClosingDuringGalacticPauseEndsCleanly) {
    Window w;
    QTimer::singleShot(20, &w.form, [&] { w.form.cmdQuit->click(); });
    w.form.effectButton(EffectButton::cmdGalactic)->click();
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_FALSE(w.form.timerEnabled(EffectTimer::CircleTimer)) << "Black Holes not started";
    EXPECT_FALSE(w.form.timerEnabled(EffectTimer::MyTimer)) << "its timers stop with the window";
    EXPECT_NE(w.form.MyCaption->text().right(11), "Black Holes");
}

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"

#include <QApplication>
#include <QProcess>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

// A loaded main window on the recording device, as after start-up.
struct Window {
    testing_support::OpenRecorder midi;
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

    // A key on whatever has the focus; Qt makes it a shortcut override first, and an access
    // key where one matches, as for a key from the keyboard.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
        testing_support::sendKey(target, key, modifiers);
    }
    bool anyEffectTimerRunning() {
        for (int i = 0; i < EffectTimerCount; ++i) {
            if (form.timerEnabled(static_cast<EffectTimer>(i))) {
                return true;
            }
        }
        return false;
    }
    int interval(EffectTimer t) { return form.timer(t).interval(); }
};

TEST(MainWindow, FillsTheScreenAboveItsPanelAndTogglesThePanelWithP) {
    Window w;
    const QRect screen = w.form.screen()->geometry();
    const int panelTop = screen.height() - 157;
    EXPECT_EQ(w.form.geometry(), screen);
    EXPECT_EQ(w.form.picButtons->geometry(), QRect(0, panelTop, screen.width(), 157));
    // The surface stops 17 pixels above the panel: the caption line's height.
    EXPECT_EQ(w.form.picture->geometry(), QRect(0, 0, screen.width(), panelTop - 17));
    EXPECT_EQ(w.form.MyPic().ScaleHeight(), panelTop - 17);
    // Controls keep their design places whatever the screen's width.
    EXPECT_EQ(w.form.SpeedSlider->geometry(), QRect(184, 128, 1121, 25));

    w.form.MyPic().setDrawWidth(5);
    w.form.MyPic().PSet(100, 100, platform::RGB(0, 255, 0));
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.picButtons->isVisible());
    EXPECT_EQ(w.form.MyPic().ScaleHeight(), screen.height());
    w.press(Qt::Key_P);
    EXPECT_EQ(w.form.picture->height(), panelTop);
    EXPECT_EQ(w.form.MyPic().pixel(100, 100), platform::RGB(0, 255, 0));
}

TEST(MainWindow, AnotherScreenSize) {
    if (qEnvironmentVariableIsSet("ZELPHOR_TEST_SCREEN")) {
        GTEST_SKIP() << "already the child run";
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELPHOR_TEST_SCREEN", "1280x1024");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=*FillsTheScreen*"});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

TEST(MainWindow, KeyLegendPutsEachEntryOnALineOfItsOwn) {
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
    EXPECT_EQ(lines, QStringList({"F  -               Freeze", "H or F1  -     Help",
                                  "Q or ESC -   Quit", "P -               Panel Show/Hide",
                                  "A -               About Zelphor"}));
    EXPECT_LE(lines.size() * QFontMetrics(w.form.lblHelp->font()).lineSpacing(),
              w.form.lblHelp->height());
}

TEST(MainWindow, SpeedSliderSetsTheIntervalsAndStartsNothing) {
    Window w;
    EXPECT_EQ(w.interval(EffectTimer::MyTimer), 20);
    EXPECT_EQ(w.interval(EffectTimer::SineTimer), 5);
    EXPECT_TRUE(w.form.AdTimer.isActive());
    for (const auto& [value, fast, slow] : {std::tuple{1, 1000, 2000}, std::tuple{3, 333, 667},
                                            std::tuple{16, 62, 125}, std::tuple{400, 2, 5}}) {
        w.form.SpeedSlider->setValue(value);
        EXPECT_EQ(w.interval(EffectTimer::WashTimer), fast) << value;
        EXPECT_EQ(w.interval(EffectTimer::ExplodeTimer), fast) << value;
        EXPECT_EQ(w.interval(EffectTimer::TrigTimer), slow) << value;
    }
    EXPECT_FALSE(w.anyEffectTimerRunning());
}

TEST(MainWindow, KeysActOnceWhateverHasTheFocus) {
    Window w;
    w.form.SpeedSlider->setFocus();
    w.press(Qt::Key_P);
    EXPECT_FALSE(w.form.picButtons->isVisible());
    w.press(Qt::Key_P);
    EXPECT_TRUE(w.form.picButtons->isVisible());
    w.press(Qt::Key_Right);
    EXPECT_EQ(w.form.SpeedSlider->value(), 51) << "the arrow still reaches the slider";
    for (int key : {Qt::Key_H, Qt::Key_F1, Qt::Key_H, Qt::Key_A}) {
        w.form.activateWindow();
        w.form.effectButton(EffectButton::cmdGalactic)->setFocus();
        w.press(key);
    }
    int helpWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        helpWindows += top->isVisible() && top->windowTitle() == "Zelphor Help";
    }
    EXPECT_EQ(helpWindows, 1);
    EXPECT_NE(InfoWindows::AboutWindow(), nullptr);

    // C clears only as an access key; F and Q act whatever the modifiers, panel hidden or not.
    w.form.activateWindow();
    w.form.effects().click(EffectButton::cmdRainbow);
    w.press(Qt::Key_C);
    EXPECT_NE(w.form.MyPic().pixel(5, 297), 0);
    w.press(Qt::Key_C, Qt::AltModifier);
    MainSplash::Pause(200); // an access key presses its button visibly first
    EXPECT_EQ(w.form.MyPic().pixel(5, 297), 0);
    EXPECT_TRUE(w.form.timerEnabled(EffectTimer::RainTimer)) << "clearing stops nothing";
    w.press(Qt::Key_F, Qt::AltModifier);
    MainSplash::Pause(200);
    EXPECT_FALSE(w.anyEffectTimerRunning());
    w.press(Qt::Key_P);
    w.press(Qt::Key_F, Qt::ShiftModifier);
    EXPECT_EQ(w.midi.log().resets(), 2u);
    w.midi.log().clear();
    w.press(Qt::Key_Q, Qt::AltModifier);
    EXPECT_FALSE(w.form.isVisible());
    ASSERT_EQ(w.midi.log().events.size(), 2u);
    EXPECT_EQ(w.midi.log().events[0].kind, platform::MidiEvent::Kind::Reset);
    EXPECT_EQ(w.midi.log().events[1].kind, platform::MidiEvent::Kind::Close);
}

TEST(MainWindow, FreezeStopsEveryEffectAndTheMusicButNotTheAdvertisements) {
    Window w;
    w.form.optTune[8]->click();
    for (int b = 1; b < EffectButtonCount; ++b) {
        w.form.effects().click(static_cast<EffectButton>(b));
    }
    w.form.optTune[1]->click();
    const QString caption = w.form.MyCaption->text();
    // The caption names the tune chosen before the last Effect.
    EXPECT_EQ(caption, "Zelphor Version 1.0 Rev 24 showing Meteorites to tune Toccata");
    w.form.cmdStop->click();
    EXPECT_FALSE(w.anyEffectTimerRunning());
    EXPECT_TRUE(w.form.AdTimer.isActive());
    EXPECT_TRUE(w.midi.log().soundingNotes().empty());
    EXPECT_EQ(w.form.MyCaption->text(), caption);
    // Stop Music in a window left open freezes too, and does nothing once the main window closed.
    int stops = 0;
    QObject::connect(w.form.cmdStop, &QPushButton::clicked, [&stops] { ++stops; });
    InfoWindows::PressFreeze();
    w.press(Qt::Key_Escape);
    EXPECT_FALSE(w.form.isVisible());
    InfoWindows::PressFreeze();
    EXPECT_EQ(stops, 1);
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

TEST(MainWindow, ClosingDuringTheGalacticPauseEndsCleanly) {
    Window w;
    QTimer::singleShot(20, &w.form, [&] { w.form.cmdQuit->click(); });
    w.form.effectButton(EffectButton::cmdGalactic)->click();
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_FALSE(w.form.timerEnabled(EffectTimer::CircleTimer)) << "Black Holes not started";
    EXPECT_FALSE(w.anyEffectTimerRunning());
}

} // namespace

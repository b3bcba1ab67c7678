#include "app/frmGraphicsPlay.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

// The panel's buttons driven as a user drives them: clicks and keys go through the window,
// so that focus, shortcuts and the key preview all take their part.
namespace {

struct Panel {
    testing_support::OpenRecorder midi;
    frmGraphicsPlay form{midi.card};

    Panel() {
        form.showLoaded();
        QApplication::setActiveWindow(&form);
        QCoreApplication::processEvents();
    }
    ~Panel() {
        form.close();
        InfoWindows::CloseAll();
    }
    QWindow* window() { return form.windowHandle(); }
    void click(QWidget* button) {
        QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier,
                          button->mapTo(&form, button->rect().center()));
    }
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window(), key, modifiers);
    }
    bool surfaceBlank() {
        const QImage& image = form.MyPic().image();
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((row[x] & 0xFFFFFFu) != 0) {
                    return false;
                }
            }
        }
        return true;
    }
};

struct Sweep {
    EffectButton button;
    EffectTimer timer;
};

class SweepAfterClear : public ::testing::TestWithParam<Sweep> {};

// A sweep that has ended at the right edge starts again, and draws, after Alt+C.
TEST_P(SweepAfterClear, StartsAgainAndDraws) {
    Panel p;
    p.form.panel().speedSlider()->setValue(400);
    QWidget* button = p.form.panel().effectButton(GetParam().button);
    p.click(button);
    ASSERT_TRUE(p.form.timerEnabled(GetParam().timer));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.form.timerEnabled(GetParam().timer); }, 10000));

    p.type(Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.surfaceBlank(); }, 2000)) << "Alt+C clears";

    for (int round = 0; round < 2; ++round) {
        p.click(button);
        EXPECT_TRUE(p.form.timerEnabled(GetParam().timer)) << "click " << round + 1;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !p.surfaceBlank(); }, 2000))
            << "nothing drawn after click " << round + 1;
        p.type(Qt::Key_C, Qt::AltModifier);
    }
}

INSTANTIATE_TEST_SUITE_P(PanelKeys, SweepAfterClear,
                         ::testing::Values(Sweep{EffectButton::cmdRainbow, EffectTimer::RainTimer},
                                           Sweep{EffectButton::cmdShadedRainbow,
                                                 EffectTimer::ShadedRainTimer}));

// Space, Return and Enter press the focused button, a command button or an effect button.
TEST(PanelKeys, SpaceReturnAndEnterPressTheFocusedButton) {
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_Space, "Space"}, {Qt::Key_Return, "Return"}, {Qt::Key_Enter, "Enter"}};
    for (const auto& [key, name] : keys) {
        SCOPED_TRACE(name);
        Panel p;
        QWidget* flood = p.form.panel().effectButton(EffectButton::cmdWash);
        flood->setFocus(Qt::TabFocusReason);
        p.type(key);
        EXPECT_TRUE(p.form.timerEnabled(EffectTimer::WashTimer));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !p.surfaceBlank(); }, 2000));

        p.form.panel().freezeButton()->setFocus(Qt::TabFocusReason);
        p.type(key);
        EXPECT_FALSE(p.form.timerEnabled(EffectTimer::WashTimer));

        p.form.panel().clearButton()->setFocus(Qt::TabFocusReason);
        p.type(key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return p.surfaceBlank(); }, 2000));
    }
}

} // namespace

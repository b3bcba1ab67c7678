#include "support/LoadedWindow.h"

#include <QTest>

#include <gtest/gtest.h>

#include <utility>

// The panel's buttons driven as a user drives them: clicks and keys go through the window,
// so that focus, shortcuts and the key preview all take their part.
namespace {

struct Panel : testing_support::LoadedWindow {
    void click(QWidget* button) {
        QTest::mouseClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          button->mapTo(&form, button->rect().center()));
    }
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form.windowHandle(), key, modifiers);
    }
    bool surfaceBlank() {
        QImage black(form.MyPic().image().size(), form.MyPic().image().format());
        black.fill(Qt::black);
        return form.MyPic().image() == black;
    }
};

// A sweep that has ended at the right edge starts again, and draws, after Alt+C.
TEST(PanelKeys, AnEndedSweepStartsAgainAndDrawsAfterClear) {
    const std::pair<EffectButton, EffectTimer> sweeps[] = {
        {EffectButton::cmdRainbow, EffectTimer::RainTimer},
        {EffectButton::cmdShadedRainbow, EffectTimer::ShadedRainTimer}};
    for (const auto& [effect, timer] : sweeps) {
        SCOPED_TRACE(int(timer));
        Panel p;
        p.form.panel().speedSlider()->setValue(400);
        QWidget* button = p.form.panel().effectButton(effect);
        p.click(button);
        ASSERT_TRUE(p.form.timerEnabled(timer));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !p.form.timerEnabled(timer); }, 10000));

        p.type(Qt::Key_C, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return p.surfaceBlank(); }, 2000)) << "Alt+C clears";

        for (int round = 0; round < 2; ++round) {
            p.click(button);
            EXPECT_TRUE(p.form.timerEnabled(timer)) << "click " << round + 1;
            EXPECT_TRUE(QTest::qWaitFor([&] { return !p.surfaceBlank(); }, 2000))
                << "nothing drawn after click " << round + 1;
            p.type(Qt::Key_C, Qt::AltModifier);
        }
    }
}

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

#include "support/LoadedWindow.h"

#include "windows/InfoWindows.h"

#include <QApplication>

namespace testing_support {

LoadedWindow::LoadedWindow(platform::RandomSource* random)
    : form(midi.card, app::ProgramContext{clock, random ? *random : ownRandom, {}, midi.link}) {
    form.showLoaded();
    form.activateWindow();
    QCoreApplication::processEvents();
    midi.log().clear();
}

LoadedWindow::~LoadedWindow() {
    form.close();
    InfoWindows::CloseAll();
}

void LoadedWindow::press(int key, Qt::KeyboardModifiers modifiers) {
    form.activateWindow();
    QWidget* target = QApplication::focusWidget();
    sendKey(target && target->window() == &form ? target : &form, key, modifiers);
}

bool LoadedWindow::anyEffectTimerRunning() const {
    return !runningTimers([this](EffectTimer t) { return form.timerEnabled(t); }).empty();
}

} // namespace testing_support

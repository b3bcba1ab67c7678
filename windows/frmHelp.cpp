#include "windows/frmHelp.h"

#include "platform/AppInfo.h"
#include "platform/Twips.h"
#include "windows/FrameFit.h"
#include "windows/PageView.h"

#include <QCloseEvent>
#include <QKeyEvent>

using platform::px;
using platform::twipRect;

namespace {

constexpr int escapeKeyCode = 27;

// Key codes as the handlers know them; only the keys they look at are translated.
int classicKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Escape) {
        return escapeKeyCode;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return key;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F16) {
        return 112 + (key - Qt::Key_F1);
    }
    return 0;
}

int classicShift(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zelphor Help"));
    resize(px(10875), px(9585));

    MyBrowser = new PageView(this);
    MyBrowser->setGeometry(twipRect(0, 0, 12735, 9615));
    // Key preview: the window sees keys before the page view does.
    MyBrowser->installEventFilter(this);
    windows_look::keepFrameOnScreen(this, windows_look::FrameFit::Within);
}

void frmHelp::Form_Load() {
    // Only at load: resizing the window later leaves the view as it is.
    MyBrowser->resize(width(), MyBrowser->height());
    MyBrowser->Navigate(platform::applicationFolder() + QStringLiteral("/help.htm"));
}

void frmHelp::Form_KeyDown(int KeyCode, int Shift) {
    (void)Shift;
    if (KeyCode == escapeKeyCode) {
        close();
    }
}

bool frmHelp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MyBrowser && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = classicKeyCode(*key);
        Form_KeyDown(code, classicShift(key->modifiers()));
        return code == escapeKeyCode;
    }
    return QWidget::eventFilter(watched, event);
}

void frmHelp::keyPressEvent(QKeyEvent* event) {
    // A key the page view left unused comes up here after the preview has seen it.
    if (focusWidget() == MyBrowser) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int code = classicKeyCode(*event);
    Form_KeyDown(code, classicShift(event->modifiers()));
    if (code != escapeKeyCode) {
        QWidget::keyPressEvent(event);
    }
}

void frmHelp::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloaded();
}

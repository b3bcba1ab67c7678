#include "windows/frmHelp.h"

#include "platform/AppInfo.h"
#include "platform/Twips.h"
#include "windows/FrameFit.h"
#include "windows/PageView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

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

    cmdBack = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"), this);
    cmdBack->setToolTip(tr("Back to the page before (Backspace or Alt+Left)"));
    cmdBack->setFocusPolicy(Qt::NoFocus);
    cmdBack->adjustSize();
    cmdBack->hide();
    connect(cmdBack, &QPushButton::clicked, MyBrowser, &PageView::backward);
    connect(MyBrowser, &PageView::backwardAvailable, cmdBack, &QPushButton::setVisible);
    placeBackButton();
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
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier) {
            MyBrowser->backward();
            return true;
        }
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

void frmHelp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBackButton();
}

void frmHelp::placeBackButton() {
    if (cmdBack == nullptr || MyBrowser == nullptr) {
        return;
    }
    // Inside what shows of the page, clear of its scroll bar.
    const int right = std::min(width(), MyBrowser->geometry().right() + 1) -
                      MyBrowser->verticalScrollBar()->sizeHint().width();
    cmdBack->move(std::max(0, right - cmdBack->width() - 8), 8);
    cmdBack->raise();
}

void frmHelp::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloaded();
}

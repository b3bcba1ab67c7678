#include "windows/frmHelp.h"

#include "platform/AppInfo.h"
#include "platform/Twips.h"
#include "windows/FrameFit.h"
#include "windows/KeyPreview.h"
#include "windows/PageView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

using platform::px;
using platform::twipRect;

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zelphor Help"));
    resize(px(10875), px(9585));

    MyBrowser = new PageView(this);
    MyBrowser->setGeometry(twipRect(0, 0, 12735, 9615));
    // The window sees keys before the page view does.
    new KeyPreview(this, [this](QWidget* receiver, const QKeyEvent& key) {
        // Backspace in the page goes back, as the page view's own Alt+Left does.
        if (receiver == MyBrowser && key.key() == Qt::Key_Backspace &&
            key.modifiers() == Qt::NoModifier) {
            MyBrowser->backward();
            return true;
        }
        return Form_KeyDown(key.key(), key.modifiers());
    });

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

bool frmHelp::Form_KeyDown(int KeyCode, Qt::KeyboardModifiers) {
    if (KeyCode == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
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

#include "windows/frmAd.h"

#include "platform/Twips.h"
#include "windows/FrameFit.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/WindowLook.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

using platform::px;
using platform::twipRect;

frmAd::frmAd(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Melodrix"));
    windows_look::paintBackground(this, QColor(128, 0, 0));

    MyBrowser = new PageView(this);
    MyBrowser->move(0, px(3360));

    picIcon = windows_look::bannerLabel(this, twipRect(2400, 0, 10140, 3435));

    Label1 = windows_look::titleLabel(picIcon, QStringLiteral("Melodrix  ----  with"),
                                      twipRect(1320, 120, 7605, 720));

    cmdOK = new QPushButton(QStringLiteral("OK"), picIcon);
    cmdOK->setGeometry(twipRect(3120, 2280, 1455, 735));
    cmdStopMusic = new QPushButton(QStringLiteral("Stop Music"), picIcon);
    cmdStopMusic->setGeometry(twipRect(4920, 2280, 1455, 735));

    windows_look::fitCaption(cmdOK);
    windows_look::fitCaption(cmdStopMusic);

    connect(cmdOK, &QPushButton::clicked, this, &frmAd::cmdOK_Click);
    connect(cmdStopMusic, &QPushButton::clicked, this, &frmAd::cmdStopMusic_Click);
}

void frmAd::Form_Load() {
    // The frame covers the screen, less the desktop's panels; a bare X server has neither
    // frames nor panels, so there the window is the screen's size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        setFixedSize(area.size());
        setGeometry(area);
    }
    windows_look::keepFrameOnScreen(this, windows_look::FrameFit::Fill);
    QCoreApplication::processEvents();
}

void frmAd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (MyBrowser == nullptr || picIcon == nullptr) {
        return;
    }
    MyBrowser->resize(width(), std::max(0, height() - picIcon->height()));
}

void frmAd::cmdOK_Click() {
    close();
}

void frmAd::cmdStopMusic_Click() {
    // A copy: the action may replace it while it runs.
    const std::function<void()> action = freeze;
    if (action) {
        action();
    }
}

void frmAd::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloaded();
}

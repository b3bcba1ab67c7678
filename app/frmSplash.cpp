#include "app/frmSplash.h"

#include "platform/AppInfo.h"
#include "platform/Twips.h"
#include "windows/Fonts.h"
#include "windows/WindowLook.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

using platform::px;
using platform::twipRect;

frmSplash::frmSplash(QWidget* parent)
    // A splash window: no frame and no task-bar entry; window managers centre it.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(platform::applicationTitle());
    setFixedSize(px(10110), px(3345));

    picIcon = new QLabel(this);
    picIcon->setGeometry(twipRect(0, 0, 10200, 3495));
    picIcon->setPixmap(windows_look::bannerPicture());

    lblTitle = windows_look::titleLabel(picIcon, QStringLiteral("Zelphor  ----  from"),
                                        twipRect(1200, 0, 7245, 720));

    lblVersion = new QLabel(QStringLiteral("Version"), picIcon);
    lblVersion->setGeometry(twipRect(2880, 2640, 4575, 495));
    lblVersion->setFont(Fonts::sans(13.5, true));
    lblVersion->setStyleSheet(QStringLiteral("color: white; background: transparent;"));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
    Form_Load();
}

void frmSplash::Form_Load() {
    lblVersion->setText(windows_look::versionText());
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    close();
}

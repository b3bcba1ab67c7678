#include "app/frmSplash.h"

#include "windows/Fonts.h"
#include "platform/AppInfo.h"
#include "platform/Twips.h"
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

    lblTitle = new QLabel(QStringLiteral("Zelphor  ----  from"), picIcon);
    lblTitle->setGeometry(twipRect(1200, 0, 7245, 720));
    lblTitle->setFont(Fonts::title(36));
    lblTitle->setStyleSheet(QStringLiteral("color: rgb(255, 255, 128); background: transparent;"));

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
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(platform::versionMajor())
                            .arg(platform::versionMinor())
                            .arg(platform::versionRevision()));
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    close();
}

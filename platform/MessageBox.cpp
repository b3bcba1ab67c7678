#include "platform/MessageBox.h"

#include "platform/AppInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace platform {

namespace {
QWidget* ownerWindow() {
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip) {
            return w;
        }
    }
    return nullptr;
}
} // namespace

void messageBox(const QString& text) {
    const QString title = applicationTitle();
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Over the window on the screen (the splash at start-up), so that window managers treat
    // it as that window's dialog: centred on it and without a task-bar entry of its own.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, title, shown.trimmed(),
                                                QMessageBox::Ok, ownerWindow());
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    box->exec();
    // Closing the owner while the box waits takes the box with it.
    delete box.data();
}

} // namespace platform

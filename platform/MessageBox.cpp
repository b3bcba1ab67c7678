#include "platform/MessageBox.h"

#include "platform/AppInfo.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
} // namespace

void setMessageBoxHook(MessageBoxHook h) {
    hook() = std::move(h);
}

void messageBox(const QString& text) {
    const QString title = applicationTitle();
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (hook()) {
        hook()(title, shown);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, shown.trimmed(), QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

} // namespace platform

#include "app/DesktopIdentity.h"

#include <QApplication>
#include <QIcon>

// The resource file lives in a static library, so its data must be registered by hand.
static void registerEmbeddedResources() {
    Q_INIT_RESOURCE(zelphor);
}

namespace DesktopIdentity {

QString id() {
    return QStringLiteral("org.zelphor.Zelphor");
}

void apply() {
    registerEmbeddedResources();
    QGuiApplication::setDesktopFileName(id());
    // The icon theme's copy when installed (it may scale better), else the embedded one.
    const QIcon embedded(QStringLiteral(":/org.zelphor.Zelphor.png"));
    QApplication::setWindowIcon(QIcon::fromTheme(id(), embedded));
}

} // namespace DesktopIdentity

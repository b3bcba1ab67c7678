#include "platform/AppInfo.h"

#include "BuildInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString applicationTitle() {
    return QStringLiteral("Zelphor");
}
int versionMajor() {
    return buildinfo::versionMajor;
}
int versionMinor() {
    return buildinfo::versionMinor;
}
int versionRevision() {
    return buildinfo::versionRevision;
}

QString applicationFolder() {
    const QByteArray overridden = qgetenv("ZELPHOR_DATA_DIR");
    if (!overridden.isEmpty()) {
        return QDir::cleanPath(QString::fromLocal8Bit(overridden));
    }
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(bin + QLatin1Char('/') + QString::fromUtf8(buildinfo::dataFromBin));
    if (QFileInfo::exists(installed + QStringLiteral("/help.htm"))) {
        return installed;
    }
    return QDir::cleanPath(bin);
}

} // namespace platform

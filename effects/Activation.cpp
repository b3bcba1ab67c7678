#include "effects/EffectHost.h"

#include "platform/AppInfo.h"

QString VersionCaption() {
    return QStringLiteral("Zelphor Version %1.%2 Rev %3")
        .arg(platform::versionMajor())
        .arg(platform::versionMinor())
        .arg(platform::versionRevision());
}

void ShowEffectCaption(EffectHost& host, EffectButton button) {
    host.setCaption(VersionCaption() + QStringLiteral(" showing ") + host.buttonCaption(button));
    host.AddTuneToCaption();
}

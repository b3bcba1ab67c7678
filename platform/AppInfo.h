#pragma once

#include <QString>

namespace platform {

QString applicationTitle(); // "Zelphor"
int versionMajor();
int versionMinor();
int versionRevision();

// The folder the program reads its pages from, without a trailing separator: beside the
// executable in the build tree, ../share/zelphor when installed. ZELPHOR_DATA_DIR overrides.
QString applicationFolder();

} // namespace platform

#pragma once

#include <QString>

namespace DesktopIdentity {

// The name of the desktop entry and of the installed icon: "org.zelphor.Zelphor".
QString id();

// Ties the program's windows to its desktop entry (the Wayland app id, the X11 window class
// a dock matches against StartupWMClass) and gives them its icon.
void apply();

} // namespace DesktopIdentity

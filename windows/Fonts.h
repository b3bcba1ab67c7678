#pragma once

#include <QFont>

// The design's fonts, mapped to ones Debian ships.
namespace Fonts {

// The bold italic display face of the titles.
QFont title(double points);
// The small face of the control panel; its key legend must wrap one entry to a line.
QFont panel();
// The plain interface face at a size, optionally bold.
QFont sans(double points, bool bold = false);

} // namespace Fonts

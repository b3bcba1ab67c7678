#pragma once

#include <QRect>
#include <QSize>

#include <optional>

class QScreen;

namespace app {

// The main window's flags and the area it takes on the screen: all of it (as usual), or, for
// a normal resizable window of a given size (--windowed), that size in its middle.
Qt::WindowFlags mainWindowFlags(const std::optional<QSize>& windowed);
QRect mainWindowArea(const QScreen* screen, const std::optional<QSize>& windowed);

} // namespace app

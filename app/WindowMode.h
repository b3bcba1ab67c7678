#pragma once

#include <QRect>
#include <QSize>

#include <optional>

class QScreen;

namespace app {

// Whether the main window covers the screen (as usual) or is a normal resizable window of a
// given size (--windowed).
void setWindowedSize(std::optional<QSize> size);
std::optional<QSize> windowedSize();

// The main window's flags and the area it takes on the screen.
Qt::WindowFlags mainWindowFlags();
QRect mainWindowArea(const QScreen* screen);

} // namespace app

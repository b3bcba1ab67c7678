#include "app/WindowMode.h"

#include <QScreen>

#include <algorithm>

namespace app {

Qt::WindowFlags mainWindowFlags(const std::optional<QSize>& windowed) {
    return windowed ? Qt::Window : Qt::Window | Qt::FramelessWindowHint;
}

QRect mainWindowArea(const QScreen* screen, const std::optional<QSize>& windowed) {
    const QRect screenArea = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    if (!windowed) {
        return screenArea;
    }
    // Centred on the screen; a window manager may place it elsewhere.
    QRect area(QPoint(0, 0), *windowed);
    area.moveCenter(screenArea.center());
    area.moveTopLeft(
        QPoint(std::max(area.left(), screenArea.left()), std::max(area.top(), screenArea.top())));
    return area;
}

} // namespace app

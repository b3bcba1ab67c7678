#include "platform/SurfaceWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <climits>
#include <cmath>

namespace platform {

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    flushTimer_.setSingleShot(true);
    flushTimer_.setTimerType(Qt::PreciseTimer);
    connect(&flushTimer_, &QTimer::timeout, this, &SurfaceWidget::flush);
    // The first change after a quiet spell shows on the next pass of the event loop; the
    // ones after it wait for the next frame, so fast Effects cost one paint per frame.
    surface_.setChangeNotifier([this] {
        if (flushTimer_.isActive()) {
            return;
        }
        const qint64 since = sinceFlush_.isValid() ? sinceFlush_.elapsed() : LLONG_MAX;
        const int frame = frameMilliseconds();
        flushTimer_.start(since >= frame ? 0 : static_cast<int>(frame - since));
    });
}

int SurfaceWidget::frameMilliseconds() const {
    const QScreen* s = screen();
    const double rate = s != nullptr && s->refreshRate() > 1.0 ? s->refreshRate() : 60.0;
    return std::max(1, static_cast<int>(std::ceil(1000.0 / rate)));
}

void SurfaceWidget::flush() {
    sinceFlush_.start();
    const QRect dirty = surface_.takeDirty();
    if (!dirty.isEmpty()) {
        update(dirty);
    }
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), surface_.image(), r);
    // Beyond the image (only while a resize is pending) stays background.
    const QRegion outside = QRegion(r).subtracted(surface_.image().rect());
    for (const QRect& part : outside) {
        p.fillRect(part, Qt::black);
    }
}

void SurfaceWidget::resizeEvent(QResizeEvent* event) {
    surface_.resize(size());
    QWidget::resizeEvent(event);
}

} // namespace platform

#include "platform/SurfaceWidget.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>

namespace platform {

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    surface_.setChangeNotifier([this] {
        if (!flushQueued_) {
            flushQueued_ = true;
            QMetaObject::invokeMethod(this, &SurfaceWidget::flush, Qt::QueuedConnection);
        }
    });
}

void SurfaceWidget::flush() {
    flushQueued_ = false;
    const QRect dirty = surface_.takeDirty();
    if (!dirty.isEmpty()) {
        update(dirty);
    }
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    ++paints_;
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

#pragma once

#include "platform/DrawingSurface.h"

#include <QWidget>

namespace platform {

// A picture box showing a DrawingSurface. The image is the model: painting copies
// only what changed, and the changes of one pass of the event loop become one repaint.
class SurfaceWidget : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceWidget(QWidget* parent = nullptr);

    DrawingSurface& surface() { return surface_; }
    const DrawingSurface& surface() const { return surface_; }
    int paintCount() const { return paints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void flush();

    DrawingSurface surface_;
    bool flushQueued_ = false;
    int paints_ = 0;
};

} // namespace platform

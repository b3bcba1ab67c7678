#pragma once

#include "platform/DrawingSurface.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace platform {

// A picture box showing a DrawingSurface. The image is the model: painting copies
// only what changed, and the changes are shown at most once per frame of the screen.
class SurfaceWidget : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceWidget(QWidget* parent = nullptr);

    DrawingSurface& surface() { return surface_; }
    const DrawingSurface& surface() const { return surface_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void flush();
    int frameMilliseconds() const;

    DrawingSurface surface_;
    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
};

} // namespace platform

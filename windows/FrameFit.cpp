#include "windows/FrameFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace windows_look {

namespace {

// The frame's size is known only once a window manager has framed the window, which comes
// as a move or resize after it is shown; each of them checks the fit again.
class FrameKeeper : public QObject {
public:
    FrameKeeper(QWidget* window, FrameFit fit) : QObject(window), window_(window), fit_(fit) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == window_ && !busy_ &&
            (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
            busy_ = true;
            apply();
            busy_ = false;
        }
        return false;
    }

private:
    void apply() {
        const QScreen* screen =
            window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return;
        }
        const QRect area = screen->availableGeometry();
        const QWindow* handle = window_->windowHandle();
        const QMargins m = handle != nullptr ? handle->frameMargins() : QMargins();
        const QSize frameExtra(m.left() + m.right(), m.top() + m.bottom());
        const QSize most = (area.size() - frameExtra).expandedTo(QSize(1, 1));

        QSize inner = window_->size();
        if (fit_ == FrameFit::Fill) {
            inner = most;
        } else {
            inner = inner.boundedTo(most);
        }
        if (inner != window_->size()) {
            const bool fixed = window_->minimumSize() == window_->maximumSize();
            if (fixed) {
                window_->setFixedSize(inner);
            } else {
                window_->resize(inner);
            }
        }

        const QSize frame = inner + frameExtra;
        QPoint corner = window_->frameGeometry().topLeft();
        if (fit_ == FrameFit::Fill) {
            corner = area.topLeft();
        } else {
            corner.setX(std::clamp(corner.x(), area.left(), area.right() + 1 - frame.width()));
            corner.setY(std::clamp(corner.y(), area.top(), area.bottom() + 1 - frame.height()));
        }
        if (corner != window_->frameGeometry().topLeft()) {
            window_->move(corner); // a top-level window's position is its frame's
        }
    }

    QWidget* window_;
    FrameFit fit_;
    bool busy_ = false;
};

} // namespace

void keepFrameOnScreen(QWidget* window, FrameFit fit) {
    new FrameKeeper(window, fit);
}

} // namespace windows_look

#pragma once

#include "app/CommandLine.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <variant>

class QWindow;
class frmGraphicsPlay;
struct xcb_connection_t;

namespace app {

// The X11 window a screensaver gives to draw in, or the root window.
struct HostWindow {
    uint32_t id = 0;
    bool root = false;
    QSize size;
};

// Finds and checks the window before the application connects to the display: the id given,
// or with -root the one in $XSCREENSAVER_WINDOW, or else the root window. A text naming what
// is wrong otherwise (no X display, Wayland, not a number, no such window).
std::variant<HostWindow, QString> findHostWindow(const StartOptions::Screensaver& asked);

// Keeps the main window inside the host window: filling it, following its size when it
// changes, and closing the program when the window goes away.
class HostFollower final : public QObject {
public:
    HostFollower(frmGraphicsPlay& window, const HostWindow& host);
    ~HostFollower() override;
    HostFollower(const HostFollower&) = delete;
    HostFollower& operator=(const HostFollower&) = delete;

    // No more looks at the host: the main window is about to go.
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void look();

    frmGraphicsPlay& window_;
    HostWindow host_;
    xcb_connection_t* connection_ = nullptr;
    std::unique_ptr<QWindow> foreign_;
    QTimer looks_;
};

} // namespace app

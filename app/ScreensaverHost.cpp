#include "app/ScreensaverHost.h"

#include "app/frmGraphicsPlay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace app {

namespace {

constexpr int lookEveryMs = 250;

const QString noForeignWindow = QStringLiteral(
    "-root and -window-id need an X11 display: on Wayland no window can be given to draw in");

// The window's size, or nothing when there is no such window.
std::optional<QSize> sizeOf(xcb_connection_t* connection, uint32_t id) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), &error);
    std::free(error);
    if (reply == nullptr) {
        return std::nullopt;
    }
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}

struct Connection {
    xcb_connection_t* c = nullptr;
    int screen = 0;
    Connection() : c(xcb_connect(nullptr, &screen)) {}
    ~Connection() {
        if (c != nullptr) {
            xcb_disconnect(c);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    uint32_t rootWindow() const {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screen && it.rem > 0; ++i) {
            xcb_screen_next(&it);
        }
        return it.data != nullptr ? it.data->root : 0;
    }
};

} // namespace

std::variant<HostWindow, QString> findHostWindow(const StartOptions::Screensaver& asked) {
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString given = qEnvironmentVariable("XSCREENSAVER_WINDOW");
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    // On Wayland the X server's root window is not what the screen shows.
    if (display.isEmpty() || (wayland && asked.root && given.isEmpty())) {
        return noForeignWindow;
    }
    Connection x;
    if (xcb_connection_has_error(x.c) != 0) {
        return QStringLiteral("cannot open the X11 display '%1'").arg(display);
    }
    HostWindow host;
    if (!asked.root) {
        host.id = asked.windowId;
    } else if (!given.isEmpty()) {
        const auto id = readWindowId(given.trimmed());
        if (!id) {
            return QStringLiteral("bad window id in XSCREENSAVER_WINDOW: '%1'").arg(given);
        }
        host.id = *id;
    } else {
        host.id = x.rootWindow();
        host.root = true;
    }
    const auto size = sizeOf(x.c, host.id);
    if (!size || size->isEmpty()) {
        return QStringLiteral("no X11 window 0x%1 to draw in").arg(host.id, 0, 16);
    }
    host.size = *size;
    host.root = host.root || host.id == x.rootWindow();
    return host;
}

HostFollower::HostFollower(frmGraphicsPlay& window, const HostWindow& host)
    : window_(window), host_(host), connection_(xcb_connect(nullptr, nullptr)) {
    if (!host_.root) {
        foreign_.reset(QWindow::fromWinId(host_.id));
    }
    window_.showInside(foreign_.get(), host_.size);
    window_.installEventFilter(this);
    connect(&looks_, &QTimer::timeout, this, [this] { look(); });
    looks_.start(lookEveryMs);
}

HostFollower::~HostFollower() {
    stop();
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

void HostFollower::stop() {
    looks_.stop();
}

bool HostFollower::eventFilter(QObject* watched, QEvent* event) {
    // The host window is another program's and is never closed by this one, so the
    // application does not end by itself with the last window: it ends with this one.
    if (watched == &window_ && event->type() == QEvent::Close) {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
    return QObject::eventFilter(watched, event);
}

void HostFollower::look() {
    const auto size =
        xcb_connection_has_error(connection_) == 0 ? sizeOf(connection_, host_.id) : std::nullopt;
    if (!size) {
        // The screensaver took its window away: nothing is left to draw in.
        looks_.stop();
        window_.close();
        return;
    }
    if (*size != host_.size && !size->isEmpty()) {
        host_.size = *size;
        window_.fitInside(*size);
    }
}

} // namespace app

#include "app/QuitOnSignal.h"

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = write(pipeEnds[1], &byte, 1);
    errno = saved;
}

// Start-up may still be playing its jingle or waiting on an error box: a box is answered,
// and the main window is closed as soon as it shows.
void closeWhenShown() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
    }
    frmGraphicsPlay* window = MainSplash::MainWindow();
    if (window == nullptr || !window->isVisible()) {
        QTimer::singleShot(50, qApp, closeWhenShown);
        return;
    }
    // The main window first: inside a screensaver's window it is no top-level window of its own.
    window->close();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void watchPipe() {
    if (pipeEnds[0] < 0 || QCoreApplication::instance() == nullptr) {
        return;
    }
    auto* notifier =
        new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char drained[64];
        while (read(pipeEnds[0], drained, sizeof drained) > 0) {
        }
        notifier->setEnabled(false);
        closeWhenShown();
    });
}

} // namespace

void quitOnSignals() {
    if (pipeEnds[0] >= 0 || pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int s : quitSignals) {
        sigaction(s, &action, nullptr);
    }
    if (QCoreApplication::instance() != nullptr) {
        watchPipe();
    } else {
        // Called from inside the application's constructor: the notifier is made once the
        // events flow.
        qAddPreRoutine([] {
            QMetaObject::invokeMethod(QCoreApplication::instance(), watchPipe,
                                      Qt::QueuedConnection);
        });
    }
}

} // namespace app

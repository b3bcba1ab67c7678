#include "app/MainSplash.h"

#include "app/AutoPlay.h"
#include "app/DesktopIdentity.h"
#include "app/ScreensaverHost.h"
#include "app/frmGraphicsPlay.h"
#include "app/frmSplash.h"
#include "music/Tone.h"
#include "platform/AppInfo.h"
#include "platform/QtClock.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

namespace MainSplash {

std::unique_ptr<SoundCard> MySoundCard;

namespace {
std::unique_ptr<frmGraphicsPlay> mainWindow;

void buildMainWindow(const app::ProgramContext& context) {
    if (!mainWindow) {
        mainWindow = std::make_unique<frmGraphicsPlay>(*MySoundCard, context);
        mainWindow->prepareToShow();
    }
}
} // namespace

void Pause(int16_t Milliseconds, platform::Clock& clock) {
    if (Milliseconds < 0) {
        return;
    }
    clock.pause(Milliseconds);
}

void Main(const app::ProgramContext& context) {
    // The splash shows while the device opens and the jingle plays.
    QPointer<frmSplash> splash = new frmSplash;
    splash->show();
    QCoreApplication::processEvents();

    // The device, shared by the whole program.
    MySoundCard = std::make_unique<SoundCard>(context.sound);
    int16_t device = 0;
    MySoundCard->OpenCard(device);

    // The jingle. Its first pause has time to spare: the main window is built then, hidden,
    // so that it shows as soon as the splash has gone.
    QTimer::singleShot(0, qApp, [&context] { buildMainWindow(context); });
    {
        Tone expression(context.sound);
        expression.setEventType(11);
        expression.setVolume(127);
        expression.Play();

        Tone note(context.sound);
        note.setPitch(QStringLiteral("C5"));
        note.setVolume(127);
        note.setInstrument(55);
        note.Play();
        Pause(500, context.clock);
        note.setPitch(QStringLiteral("C4"));
        note.Play();
        Pause(500, context.clock);
        note.setVolume(0);
        note.Play();
    }

    // A key may have closed the splash already.
    if (splash) {
        splash->close();
    }

    // The main window takes over from the splash.
    buildMainWindow(context);
    mainWindow->showLoaded();
}

frmGraphicsPlay* MainWindow() {
    return mainWindow.get();
}

void Shutdown() {
    mainWindow.reset();
    MySoundCard.reset();
}

namespace {

// The program inside a screensaver's window: no splash, no jingle, the director at once.
std::unique_ptr<app::HostFollower> showInside(const app::HostWindow& host,
                                              const app::ProgramContext& context) {
    MySoundCard = std::make_unique<SoundCard>(context.sound);
    int16_t device = 0;
    MySoundCard->OpenCard(device);
    mainWindow = std::make_unique<frmGraphicsPlay>(*MySoundCard, context);
    return std::make_unique<app::HostFollower>(*mainWindow, host);
}

} // namespace

int Run(int argc, char** argv, app::Session& session, const app::StartOptions& options) {
    std::optional<app::HostWindow> host;
    if (options.screensaver) {
        auto found = app::findHostWindow(*options.screensaver);
        if (const QString* problem = std::get_if<QString>(&found)) {
            std::fprintf(stderr, "zelphor: %s\n", qPrintable(*problem));
            return app::usageExitStatus;
        }
        host = std::get<app::HostWindow>(found);
        // A foreign window is an X11 window, whatever else the desktop offers.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // The synthesizer gets ready while the application connects to the display and the
    // splash comes up.
    session.devices().openAhead(0);
    QApplication app(argc, argv);
    session.applicationStarted();
    QApplication::setApplicationName(platform::applicationTitle());
    DesktopIdentity::apply();
    // The Effects' numbers repeat from run to run with a seed.
    platform::ClockSeededRandom random;
    if (options.seed) {
        random.repeatable(*options.seed);
    }
    const app::ProgramContext context{platform::realClock(), random, options.windowSize,
                                      session.sound()};
    std::unique_ptr<app::HostFollower> follower;
    if (host) {
        follower = showInside(*host, context);
    } else {
        QApplication::setQuitOnLastWindowClosed(false);
        Main(context);
        QApplication::setQuitOnLastWindowClosed(true);
    }
    std::unique_ptr<AutoPlay> autoplay;
    if (options.autoplay && mainWindow) {
        // The director's own choices repeat with the seed; without one, every show differs.
        const uint64_t seed = options.seed ? *options.seed : std::random_device{}();
        autoplay = std::make_unique<AutoPlay>(
            *mainWindow, seed, options.speed.value_or(0),
            host ? AutoPlay::Input::Ignored : AutoPlay::Input::EndsIt, platform::realClock());
        autoplay->start();
    }
    const int status = QApplication::exec();
    autoplay.reset();
    if (follower) {
        follower->stop();
    }
    Shutdown();
    session.applicationEnding();
    return status;
}

} // namespace MainSplash

#include "app/MainSplash.h"

#include "app/DesktopIdentity.h"
#include "app/frmGraphicsPlay.h"
#include "app/frmSplash.h"
#include "music/Tone.h"
#include "platform/AppInfo.h"
#include "platform/MidiOut.h"
#include "platform/QtClock.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <thread>

namespace MainSplash {

std::unique_ptr<SoundCard> MySoundCard;

namespace {
std::unique_ptr<frmGraphicsPlay> mainWindow;

void buildMainWindow() {
    if (!mainWindow) {
        mainWindow = std::make_unique<frmGraphicsPlay>(*MySoundCard);
        mainWindow->prepareToShow();
    }
}
} // namespace

void Pause(int16_t Milliseconds) {
    if (Milliseconds < 0) {
        return;
    }
    platform::realClock().pause(Milliseconds);
}

void Main() {
    // The splash shows while the device opens and the jingle plays.
    QPointer<frmSplash> splash = new frmSplash;
    splash->show();
    QCoreApplication::processEvents();

    // The device, shared by the whole program.
    MySoundCard = std::make_unique<SoundCard>();
    int16_t device = 0;
    MySoundCard->OpenCard(device);

    // The jingle. Its first pause has time to spare: the main window is built then, hidden,
    // so that it shows as soon as the splash has gone.
    QTimer::singleShot(0, qApp, [] { buildMainWindow(); });
    {
        Tone expression;
        expression.setEventType(11);
        expression.setVolume(127);
        expression.Play();

        Tone note;
        note.setPitch(QStringLiteral("C5"));
        note.setVolume(127);
        note.setInstrument(55);
        note.Play();
        Pause(500);
        note.setPitch(QStringLiteral("C4"));
        note.Play();
        Pause(500);
        note.setVolume(0);
        note.Play();
    }

    // A key may have closed the splash already.
    if (splash) {
        splash->close();
    }

    // The main window takes over from the splash.
    buildMainWindow();
    mainWindow->showLoaded();
}

frmGraphicsPlay* MainWindow() {
    return mainWindow.get();
}

void Shutdown() {
    mainWindow.reset();
    MySoundCard.reset();
}

int Run(int argc, char** argv, std::vector<platform::MidiOutFactory> devices) {
    platform::registerMidiOutDevices(std::move(devices));
    // The synthesizer gets ready while the application connects to the display and the
    // splash comes up.
    platform::openMidiOutAhead(0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(platform::applicationTitle());
    DesktopIdentity::apply();
    QApplication::setQuitOnLastWindowClosed(false);
    Main();
    QApplication::setQuitOnLastWindowClosed(true);
    const int status = QApplication::exec();
    Shutdown();
    return status;
}

} // namespace MainSplash

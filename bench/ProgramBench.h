#pragma once
// The real program in this process: the start-up routine, its main window and the event
// loop, on a 1024 x 768 offscreen screen unless another platform was chosen.

#include "BenchSupport.h"

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "platform/MessageBox.h"
#include "platform/synth/FluidSynthOut.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdlib>

namespace bench {

// Sets the platform before the application object exists: offscreen, with a screen of
// the size the program is laid out for.
inline void chooseOffscreenScreen() {
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && chosen != "offscreen") {
        return;
    }
    static const QString path = QDir::temp().filePath(
        QStringLiteral("zelphor-bench-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile config(path);
    if (config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        config.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1024,
                     "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96,
                     "dpr": 1}]})");
        config.close();
        std::atexit([] { QFile::remove(path); });
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// Runs the event loop for the given time.
inline void runEventLoop(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Main with device 0 as a recorder (or the built-in synthesizer), message boxes caught
// instead of shown; the program is shut down when this object goes.
class Program {
public:
    enum class Device { Recorder, Synthesizer };

    // The main window's timers and pauses read the given clock.
    explicit Program(Device device = Device::Recorder,
                     platform::Clock& clock = platform::realClock())
        : clock_(clock) {
        platform::setMidiOutDevices(
            {platform::noting(device == Device::Recorder ? platform::recordingDevice(log_)
                                                         : platform::builtInSynthesizer(),
                              opened_)});
        start();
    }
    // Device 0 sends to target, e.g. a synthesizer rendered by the benchmark.
    explicit Program(platform::MidiOutDevice& target) : clock_(platform::realClock()) {
        platform::setMidiOutDevices({platform::deviceOnto(target)});
        start();
    }
    ~Program() {
        MainSplash::Shutdown();
        platform::setMessageBoxHook({});
        platform::restoreDefaultMidiOutDevices();
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    frmGraphicsPlay& window() { return *MainSplash::MainWindow(); }
    platform::MidiRecording& log() { return *log_; }
    // Message boxes the program would have shown (a failed open of its device).
    const QStringList& boxes() const { return boxes_; }
    // The device of device 0's latest open; valid while it is open.
    platform::MidiOutDevice* device() const { return *opened_; }

private:
    void start() {
        platform::setMessageBoxHook(
            [this](const QString&, const QString& text) { boxes_ << text; });
        MainSplash::Main(context_);
    }

    platform::Clock& clock_;
    // Numbers that repeat from run to run, so every run draws the same pictures.
    FixedSeedRandom random_;
    app::ProgramContext context_{clock_, random_, {}};
    std::shared_ptr<platform::MidiRecording> log_ = std::make_shared<platform::MidiRecording>();
    QStringList boxes_;
    std::shared_ptr<platform::MidiOutDevice*> opened_ =
        std::make_shared<platform::MidiOutDevice*>(nullptr);
};

} // namespace bench

#pragma once
// The real program in this process: the start-up routine, its main window and the event
// loop, on a 1024 x 768 offscreen screen unless another platform was chosen.

#include "BenchSupport.h"

#include "app/MainSplash.h"
#include "app/frmGraphicsPlay.h"
#include "doubles/WatchedClock.h"
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
// instead of shown, and no advertisement window ever (growth, pace and load would count it);
// the program is shut down when this object goes.
class Program {
public:
    enum class Device { Recorder, Synthesizer };
    // Main at once, or once start is called: device 0 opens ahead meanwhile, as the program's
    // own start opens it before the application object exists.
    enum class Start { Now, Later };

    // The main window's timers and pauses read the given clock.
    explicit Program(Device device = Device::Recorder,
                     platform::Clock& clock = platform::realClock(), Start when = Start::Now)
        : clock_(clock, {frmGraphicsPlay::adEveryMs}),
          devices_({platform::noting(device == Device::Recorder ? platform::recordingDevice(log_)
                                                                : platform::builtInSynthesizer(),
                                     opened_)}) {
        devices_.openAhead(0);
        if (when == Start::Now) {
            start();
        }
    }
    // Device 0 sends to target, e.g. a synthesizer rendered by the benchmark.
    explicit Program(platform::MidiOutDevice& target)
        : clock_(platform::realClock(), {frmGraphicsPlay::adEveryMs}),
          devices_({platform::deviceOnto(target)}) {
        start();
    }
    void start() { MainSplash::Main(context_); }
    ~Program() { MainSplash::Shutdown(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    frmGraphicsPlay& window() { return *MainSplash::MainWindow(); }
    platform::MidiRecording& log() { return *log_; }
    // Message boxes the program would have shown (a failed open of its device).
    const QStringList& boxes() const { return boxes_; }
    // The device of device 0's latest open; valid while it is open.
    platform::MidiOutDevice* device() const { return *opened_; }
    // The handle open on device 0; 0 when its open failed.
    uint32_t handle() const { return link_.MidiOutHandle; }

private:
    platform::WatchedClock clock_;
    std::shared_ptr<platform::MidiRecording> log_ = std::make_shared<platform::MidiRecording>();
    std::shared_ptr<platform::MidiOutDevice*> opened_ =
        std::make_shared<platform::MidiOutDevice*>(nullptr);
    QStringList boxes_;
    platform::MidiOutRegistry devices_;
    PemSoundsModule::Link link_{devices_, [this](const QString& text) { boxes_ << text; }};
    // Numbers that repeat from run to run, so every run draws the same pictures.
    FixedSeedRandom random_;
    app::ProgramContext context_{clock_, random_, {}, link_};
};

} // namespace bench

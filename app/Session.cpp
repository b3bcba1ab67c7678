#include "app/Session.h"

#include "music/PemSoundsModule.h"
#include "platform/MessageBox.h"
#include "platform/SequencerOut.h"

#include <QCoreApplication>

#include <cstdio>

#include <mutex>
#include <vector>

namespace app {

namespace {

// Whether message boxes can be posted to the application, and what waits for it.
struct Reports {
    std::mutex mutex;
    bool appAlive = false;
    bool appEnded = false;
    bool hooked = false;
    // As a screensaver or a render nobody answers a box: problems go to stderr only.
    bool boxes = true;
    std::vector<QString> waiting;
};
Reports& reports() {
    static Reports r;
    return r;
}

void post(const QString& text) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [text] { platform::messageBox(text); }, Qt::QueuedConnection);
}

void appStarted() {
    auto& r = reports();
    std::lock_guard lock(r.mutex);
    r.appAlive = true;
    for (const QString& text : r.waiting) {
        post(text);
    }
    r.waiting.clear();
    qAddPostRoutine([] {
        auto& rr = reports();
        std::lock_guard inner(rr.mutex);
        rr.appAlive = false;
        rr.appEnded = true;
    });
}

class SilentOut final : public platform::MidiOutDevice {
public:
    void shortMessage(uint32_t) override {}
    void reset() override {}
};

} // namespace

void printMidiOutputs(platform::MidiPortSystem& ports, std::FILE* out) {
    std::fprintf(out, "%s\n", platform::builtInOutputName);
    for (const std::string& name : ports.outputs()) {
        std::fprintf(out, "%s\n", name.c_str());
    }
    std::fflush(out);
}

void reportProblem(const QString& text) {
    std::fprintf(stderr, "zelphor: %s\n", qPrintable(QString(text).replace("\r\n", " ")));
    auto& r = reports();
    std::lock_guard lock(r.mutex);
    if (!r.boxes) {
        return;
    }
    if (r.appAlive) {
        post(text);
        return;
    }
    if (r.appEnded) {
        return;
    }
    if (QCoreApplication::instance() != nullptr) {
        // The application was made before the first report (a render makes it first):
        // its events flow, so the box goes to it directly.
        post(text);
        return;
    }
    r.waiting.push_back(text);
    if (!r.hooked) {
        r.hooked = true;
        qAddPreRoutine([] {
            QMetaObject::invokeMethod(QCoreApplication::instance(), appStarted,
                                      Qt::QueuedConnection);
        });
    }
}

Session::Session(const StartOptions& options, std::shared_ptr<platform::MidiPortSystem> ports,
                 SessionTiming timing, const platform::Clock* clock) {
    // As a screensaver or a render nobody is there to answer a box.
    if (options.screensaver || options.render) {
        {
            std::lock_guard lock(reports().mutex);
            reports().boxes = false;
        }
        platform::setMessageBoxHook([](const QString&, const QString& text) {
            std::fprintf(stderr, "zelphor: %s\n", qPrintable(QString(text).replace("\r\n", " ")));
        });
        boxesHooked_ = true;
    }
    // A screensaver is silent unless asked: a locked screen that starts playing surprises.
    if (options.mute || (options.screensaver && !options.sound)) {
        platform::setMidiOutDevices({[](std::stop_token) {
            platform::MidiOpenResult r;
            r.device = std::make_unique<SilentOut>();
            return r;
        }});
        devicesChanged_ = true;
    } else if (!options.midiOut.isEmpty() &&
               options.midiOut != QLatin1String(platform::builtInOutputName)) {
        platform::setMidiOutDevices({platform::sequencerDevice(
            std::move(ports), options.midiOut.toStdString(), timing.checkOutputEvery,
            [](const std::string& reason) {
                reportProblem(QStringLiteral("midiOUT_ShortMsg\r\n") +
                              QString::fromStdString(reason) +
                              QStringLiteral("; the music goes on without sound.\r\n"));
            })});
        devicesChanged_ = true;
    }
    if (!options.recordFile.isEmpty()) {
        auto recorder = std::make_unique<platform::MidiFileRecorder>(
            options.recordFile, timing.saveEvery,
            [](const QString& reason) { reportProblem(reason); }, clock);
        const QString problem = recorder->checkTarget();
        if (!problem.isEmpty()) {
            reportProblem(QStringLiteral("Cannot record to %1: %2; the music goes on without "
                                         "a recording.")
                              .arg(options.recordFile, problem));
        } else {
            recorder->start();
            recorder_ = std::move(recorder);
            PemSoundsModule::SetMessageTap(recorder_.get());
        }
    }
}

Session::~Session() {
    finish(0);
    if (boxesHooked_) {
        platform::setMessageBoxHook({});
        std::lock_guard lock(reports().mutex);
        reports().boxes = true;
    }
    if (devicesChanged_) {
        platform::restoreDefaultMidiOutDevices();
    }
}

int Session::finish(int status) {
    if (!recorder_) {
        return status;
    }
    PemSoundsModule::SetMessageTap(nullptr);
    const bool saved = recorder_->finish();
    recorder_.reset();
    return saved || status != 0 ? status : 1;
}

} // namespace app

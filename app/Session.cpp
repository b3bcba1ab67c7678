#include "app/Session.h"

#include "platform/SequencerOut.h"

#include <QCoreApplication>

#include <cstdio>

namespace app {

namespace {

class SilentOut final : public platform::MidiOutDevice {
public:
    void shortMessage(uint32_t) override {}
    void reset() override {}
};

void printProblem(const QString& text) {
    std::fprintf(stderr, "zelphor: %s\n", qPrintable(QString(text).replace("\r\n", " ")));
}

// As a screensaver or a render nobody is there to answer a box.
bool nobodyAnswers(const StartOptions& options) {
    return options.screensaver || options.render;
}

} // namespace

void printMidiOutputs(platform::MidiPortSystem& ports, std::FILE* out) {
    std::fprintf(out, "%s\n", platform::builtInOutputName);
    for (const std::string& name : ports.outputs()) {
        std::fprintf(out, "%s\n", name.c_str());
    }
    std::fflush(out);
}

std::vector<platform::MidiOutFactory> Session::chooseDevices(const StartOptions& options,
                                                             SessionParts& parts) {
    // A screensaver is silent unless asked: a locked screen that starts playing surprises.
    if (options.mute || (options.screensaver && !options.sound)) {
        return {[](std::stop_token) {
            platform::MidiOpenResult r;
            r.device = std::make_unique<SilentOut>();
            return r;
        }};
    }
    if (!options.midiOut.isEmpty() &&
        options.midiOut != QLatin1String(platform::builtInOutputName)) {
        return {platform::sequencerDevice(
            parts.ports ? std::move(parts.ports) : platform::systemMidiPorts(),
            options.midiOut.toStdString(), parts.timing.checkOutputEvery,
            [this](const std::string& reason) {
                reportProblem(QStringLiteral("midiOUT_ShortMsg\r\n") +
                              QString::fromStdString(reason) +
                              QStringLiteral("; the music goes on without sound.\r\n"));
            })};
    }
    return std::move(parts.devices);
}

Session::Session(const StartOptions& options, SessionParts parts)
    : boxes_(parts.boxes), showBoxes_(!nobodyAnswers(options)),
      devices_(chooseDevices(options, parts), parts.openTimeLimit),
      link_(devices_, showBoxes_ ? parts.boxes : platform::MessageBoxes(printProblem)) {
    if (options.recordFile.isEmpty()) {
        return;
    }
    auto recorder = std::make_unique<platform::MidiFileRecorder>(
        options.recordFile, parts.timing.saveEvery,
        [this](const QString& reason) { reportProblem(reason); }, parts.clock);
    const QString problem = recorder->checkTarget();
    if (!problem.isEmpty()) {
        reportProblem(QStringLiteral("Cannot record to %1: %2; the music goes on without "
                                     "a recording.")
                          .arg(options.recordFile, problem));
        return;
    }
    recorder->start();
    recorder_ = std::move(recorder);
    link_.tap = recorder_.get();
}

Session::~Session() {
    finish(0);
}

void Session::post(const QString& text) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [boxes = boxes_, text] { boxes(text); },
        Qt::QueuedConnection);
}

void Session::reportProblem(const QString& text) {
    printProblem(text);
    std::lock_guard lock(mutex_);
    if (!showBoxes_ || appEnded_) {
        return;
    }
    if (appAlive_ || QCoreApplication::instance() != nullptr) {
        // The application's events flow, or will once it runs: the box goes to it directly.
        post(text);
        return;
    }
    waiting_.push_back(text);
}

void Session::applicationStarted() {
    std::lock_guard lock(mutex_);
    appAlive_ = true;
    for (const QString& text : waiting_) {
        post(text);
    }
    waiting_.clear();
}

void Session::applicationEnding() {
    std::lock_guard lock(mutex_);
    appAlive_ = false;
    appEnded_ = true;
}

int Session::finish(int status) {
    if (!recorder_) {
        return status;
    }
    link_.tap = nullptr;
    const bool saved = recorder_->finish();
    recorder_.reset();
    return saved || status != 0 ? status : 1;
}

} // namespace app

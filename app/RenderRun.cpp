#include "app/RenderRun.h"

#include "app/RenderEncoder.h"
#include "app/Session.h"
#include "platform/Clock.h"
#include "platform/MidiPorts.h"
#include "platform/VirtualClock.h"
#include "platform/video/MediaWriter.h"

#include <QApplication>
#include <QFile>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace app {

namespace {

std::atomic<bool> stopAsked{false};
std::atomic<int> stopSignal{0};

void onStop(int signal) {
    stopSignal.store(signal);
    stopAsked.store(true);
}

// The first SIGINT or SIGTERM ends the render early with what it has; a second one ends
// the program at once.
void stopOnSignals() {
    struct sigaction action = {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

QString minutes(double seconds) {
    const auto whole = static_cast<long long>(std::max(0.0, std::round(seconds)));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

// One line on a terminal, written again at most four times a second; nothing otherwise.
class ProgressLine {
public:
    explicit ProgressLine(uint64_t total)
        : total_(static_cast<double>(total) / 1e9), shown_(isatty(STDERR_FILENO) == 1),
          started_(platform::monotonicSeconds()) {}
    void update(uint64_t reached, bool last = false) {
        const double now = platform::monotonicSeconds();
        if (!shown_ || (!last && now - printedAt_ < 0.25)) {
            return;
        }
        printedAt_ = now;
        const double done = static_cast<double>(reached) / 1e9;
        const double speed = done / std::max(now - started_, 1e-3);
        const double left = speed > 0.0 ? (total_ - done) / speed : 0.0;
        std::fprintf(stderr, "\rzelphor: rendering %3d%%  %s of %s  %.1fx  %s left ",
                     static_cast<int>(100.0 * done / total_), qPrintable(minutes(done)),
                     qPrintable(minutes(total_)), speed, qPrintable(minutes(left)));
        std::fflush(stderr);
    }
    // The line as the render ended, left on the terminal.
    void end(uint64_t reached) {
        if (shown_) {
            update(reached, true);
            std::fputc('\n', stderr);
        }
    }

private:
    const double total_;
    const bool shown_;
    const double started_;
    double printedAt_ = 0.0;
};

} // namespace

int runRender(int argc, char** argv, const StartOptions& options, const RenderSynthesizer& synth) {
    // Before anything is written: a signal from now on finishes what is there.
    stopOnSignals();
    const RenderOptions& render = *options.render;
    const QByteArray path = QFile::encodeName(render.path);
    if (!render.note.isEmpty()) {
        std::fprintf(stderr, "zelphor: %s\n", qPrintable(render.note));
    }
    platform::video::MediaSettings settings;
    settings.width = render.size.width();
    settings.height = render.size.height();
    settings.fps = render.fps;
    settings.sampleRate = renderSampleRate;
    std::string why;
    std::unique_ptr<platform::video::MediaWriter> writer;
    if (const auto kind = platform::video::kindFor(path.toStdString())) {
        writer = platform::video::MediaWriter::open(path.toStdString(), *kind, settings, &why);
    }
    if (!writer) {
        std::fprintf(stderr, "zelphor: cannot render to %s: %s\n", path.constData(), why.c_str());
        return 1;
    }
    // Nothing is shown: the window is drawn into memory only.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::VirtualClock clock;
    Session session(options, {.clock = &clock});
    ProgressLine line(renderLength(render.seconds, render.fps).nanoseconds);
    RenderOutcome outcome;
    QString problem;
    {
        RenderEncoder encoder(*writer);
        outcome = renderShow(options, clock, synth, encoder, &stopAsked,
                             [&line](uint64_t reached) { line.update(reached); },
                             {session.recorder(), session.sound().showBox});
        problem = outcome.problem.isEmpty() ? encoder.drain() : outcome.problem;
    }
    line.end(outcome.samples * 1'000'000'000 / renderSampleRate);
    if (problem.isEmpty() && !writer->finish(&why)) {
        problem = QString::fromStdString(why);
    }
    if (!problem.isEmpty()) {
        writer.reset();
        std::fprintf(stderr, "zelphor: the render to %s failed: %s; nothing was written there\n",
                     path.constData(), qPrintable(problem));
        return session.finish(1);
    }
    if (outcome.stopped) {
        std::fprintf(stderr, "zelphor: stopped early; %s holds the first %.2f s\n",
                     path.constData(), static_cast<double>(outcome.samples) / renderSampleRate);
        return session.finish(128 + stopSignal.load());
    }
    return session.finish(0);
}

} // namespace app

// Resident size of the real program after start, after a million notes and after 100,000
// ticks of every Effect: a fresh Tone per note and endless drawing must not grow it.
#include "ProgramBench.h"

#include <cstdlib>

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    const long notes = smoke ? 20000 : 1000000;
    const long rounds = smoke ? 300 : 100000;
    bench::chooseOffscreenScreen();
    QApplication app(argc, argv);
    bench::Report report("memory");

    bench::Program program;
    frmGraphicsPlay& w = program.window();
    auto keepLogShort = [&] {
        if (program.log().events.size() > 3000) {
            program.log().clear();
        }
    };
    // Start-up's own first paint, then the figure.
    bench::runEventLoop(std::chrono::milliseconds(200));
    const double atStart = bench::residentKiB();
    report.add("rss_after_start", atStart / 1024.0, "MiB");

    for (long i = 0; i < notes; ++i) {
        w.PlayNote();
        keepLogShort();
    }
    const double afterNotes = bench::residentKiB();
    report.add("rss_after_" + std::to_string(notes) + "_notes", afterNotes / 1024.0, "MiB");

    // Every Effect ticks in turn; the event loop runs now and then so the window paints.
    // The window's Effects, ticked here in turn: they keep nothing of their own between ticks.
    Effects effects(w);
    for (const auto& entry : bench::timedEffects()) {
        w.panel().effectButton(entry.button)->click();
    }
    for (long round = 0; round < rounds; ++round) {
        for (const auto& entry : bench::timedEffects()) {
            effects.tick(entry.timer);
            if (!w.timerEnabled(entry.timer)) {
                w.panel().effectButton(entry.button)->click();
            }
        }
        keepLogShort();
        if (round % 500 == 0) {
            QCoreApplication::processEvents();
        }
    }
    w.cmdStop_Click();
    QCoreApplication::processEvents();
    const double afterTicks = bench::residentKiB();
    report.add("rss_after_" + std::to_string(rounds) + "_ticks_each", afterTicks / 1024.0, "MiB");
    report.add("rss_growth", (std::max(afterNotes, afterTicks) - atStart) / 1024.0, "MiB",
               bench::below(1.0));
    report.write();
    return 0;
}

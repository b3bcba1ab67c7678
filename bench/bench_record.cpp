// What recording to a MIDI file costs the window's thread per message: the time stamp and the
// append, while the saving thread writes the file every 200 ms beside it.
#include "BenchSupport.h"

#include "platform/MidiFileRecorder.h"

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    QCoreApplication app(argc, argv);
    bench::Report report("record");
    QTemporaryDir dir;
    platform::MidiFileRecorder recorder(dir.filePath(QStringLiteral("bench.mid")),
                                        std::chrono::milliseconds(200));
    recorder.start();

    // Batches of 100 messages, a program change and a note-on in turn, timed as a whole: the
    // clock read costs about as much as the call.
    const int batches = smoke ? 200 : 20000;
    std::vector<double> perMessage;
    perMessage.reserve(static_cast<std::size_t>(batches));
    for (int b = 0; b < batches; ++b) {
        const auto t0 = bench::Clock::now();
        for (uint32_t i = 0; i < 100; ++i) {
            recorder.shortMessage(i % 2 == 0 ? 0x0000'37C0U : 0x007F'3C90U + (i % 60) * 256);
        }
        const auto t1 = bench::Clock::now();
        perMessage.push_back(bench::microsecondsBetween(t0, t1) / 100.0);
        if (b % 50 == 49) {
            recorder.reset();
        }
    }
    report.add("record_message_median", bench::median(perMessage), "us", bench::below(2.0));
    report.add("record_message_p99", bench::percentile(perMessage, 0.99), "us", bench::below(2.0));
    const auto t0 = bench::Clock::now();
    const bool saved = recorder.finish();
    report.add("record_final_save", bench::secondsSince(t0) * 1000.0, "ms");
    report.note(std::to_string(batches * 100) + " messages, " + std::to_string(recorder.saves()) +
                " saves" + (saved ? "" : ", the last one FAILED"));
    report.write();
    return saved ? 0 : 1;
}

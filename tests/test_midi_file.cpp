// Recording to a Standard MIDI File: the file's own encoding, and the recorder checked against
// an independent reader (mido, tests/e2e/midi_dump.py).
#include "platform/Clock.h"
#include "platform/MidiFileRecorder.h"
#include "platform/StandardMidiFile.h"
#include "platform/VirtualClock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;
using platform::MidiFileRecorder;

namespace {

struct Read {
    int ms;
    uint32_t message; // packed as the devices take it
};

// The file as mido reads it; fails the test if mido rejects it.
std::vector<Read> readWithMido(const QString& path) {
    QProcess p;
    const QString script =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("e2e/midi_dump.py"));
    p.start(QStringLiteral("/usr/bin/python3"), {script, path});
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<Read> out;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 2) {
            continue;
        }
        uint32_t message = f[1].toUInt(nullptr, 16);
        for (int i = 2; i < f.size(); ++i) {
            message += f[i].toUInt() << (8 * (i - 1));
        }
        out.push_back({f[0].toInt(), message});
    }
    return out;
}

std::vector<uint8_t> bytesOf(std::initializer_list<uint64_t> times) {
    platform::smf::TrackWriter w("t");
    const uint8_t on[] = {0x90, 60, 100};
    for (const uint64_t t : times) {
        w.add(t, on, 3);
    }
    return w.file();
}

// The bytes of the track between the tempo event and the end of the track.
std::vector<uint8_t> eventsOf(const std::vector<uint8_t>& file) {
    const std::size_t start = 14 + 8 + 5 + 7; // header, track head, name "t", tempo
    return {file.begin() + start, file.end() - 4};
}

} // namespace

TEST(StandardMidiFile, DeltaTimesUseTheShortestVariableLength) {
    const struct {
        uint64_t gap;
        std::vector<uint8_t> delta;
    } cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {16383, {0xFF, 0x7F}},
        {16384, {0x81, 0x80, 0x00}},
        {platform::smf::longestDelta, {0xFF, 0xFF, 0xFF, 0x7F}},
        // Longer than one delta holds: bridged by an empty text event.
        {platform::smf::longestDelta + 5ULL, {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00, 0x05}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> expected = {0x00, 0x90, 60, 100};
        expected.insert(expected.end(), c.delta.begin(), c.delta.end());
        expected.insert(expected.end(), {0x90, 60, 100});
        const auto events = eventsOf(bytesOf({0, c.gap}));
        EXPECT_EQ(events, expected) << c.gap;
    }
    // A time before the previous one counts as the previous one.
    EXPECT_EQ(eventsOf(bytesOf({50, 20})),
              (std::vector<uint8_t>{0x32, 0x90, 60, 100, 0x00, 0x90, 60, 100}));
}

TEST(MidiFileRecorder, FileHoldsTheMessagesAndTimesTheDeviceSaw) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take.mid"));
    MidiFileRecorder recorder(path, 10s);
    std::vector<double> seen; // when each message was sent, in seconds
    const uint32_t stream[] = {0x007F0BB0, 0x000037C0, 0x007F4890, 0x00004890,
                               0x000005C0, 0x00643C90, 0x00006590, 0x00402AE5};
    for (const uint32_t m : stream) {
        seen.push_back(platform::monotonicSeconds());
        recorder.shortMessage(m);
        std::this_thread::sleep_for(15ms);
    }
    ASSERT_TRUE(recorder.finish());

    const std::vector<Read> read = readWithMido(path);
    ASSERT_EQ(read.size(), seen.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].message, stream[i]) << i;
        const double seenMs = (seen[i] - seen[0]) * 1000.0;
        EXPECT_NEAR(read[i].ms - read[0].ms, seenMs, 2.0) << i;
    }
    // Nothing is left beside the file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("take.mid")});
}

// A show rendered faster than it plays is recorded at the times of its own clock.
TEST(MidiFileRecorder, TimesComeFromTheClockItIsGiven) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("render.mid"));
    platform::VirtualClock clock;
    MidiFileRecorder recorder(path, 10s, {}, &clock);
    const int gaps[] = {0, 1234, 60000};
    for (const int gap : gaps) {
        clock.advanceBy(gap);
        recorder.shortMessage(0x00643C90);
    }
    ASSERT_TRUE(recorder.finish());
    const std::vector<Read> read = readWithMido(path);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].ms - read[0].ms, 1234);
    EXPECT_EQ(read[2].ms - read[0].ms, 61234);
}

TEST(MidiFileRecorder, AResetEndsTheSoundingNotesAndLiftsThePedalsInTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reset.mid"));
    MidiFileRecorder recorder(path, 10s);
    recorder.shortMessage(0x007F3C90); // 60 on, channel 1
    recorder.shortMessage(0x007F4093); // 64 on, channel 4
    recorder.shortMessage(0x00003C90); // 60 ended
    recorder.reset();
    ASSERT_TRUE(recorder.finish());
    const std::vector<Read> read = readWithMido(path);
    ASSERT_EQ(read.size(), 3U + 1U + 32U);
    EXPECT_EQ(read[3].message, 0x00004083U); // note-off 64, channel 4
    for (uint32_t channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(read[4 + 2 * channel].message, 0xB0 + channel + (64U << 8));
        EXPECT_EQ(read[5 + 2 * channel].message, 0xB0 + channel + (123U << 8));
    }
}

TEST(MidiFileRecorder, SavesAWholeFileEveryFewMomentsWhileRecording) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("running.mid"));
    MidiFileRecorder recorder(path, 20ms);
    recorder.start();
    recorder.shortMessage(0x007F3C90);
    ASSERT_TRUE(testing_support::eventually([&] { return recorder.saves() > 0; }));
    const std::vector<Read> read = readWithMido(path);
    ASSERT_EQ(read.size(), 1U);
    EXPECT_EQ(read[0].message, 0x007F3C90U);
    EXPECT_TRUE(recorder.finish());
}

TEST(MidiFileRecorder, UnwritableTargetsAreNamedAndSaveFailuresReportedOnce) {
    QTemporaryDir dir;
    EXPECT_TRUE(MidiFileRecorder(dir.path(), 1s).checkTarget().contains(QStringLiteral("folder")));
    EXPECT_TRUE(MidiFileRecorder(dir.filePath(QStringLiteral("no/such/x.mid")), 1s)
                    .checkTarget()
                    .contains(QStringLiteral("does not exist")));

    // Checking writes nothing over an earlier take.
    const QString earlier = dir.filePath(QStringLiteral("earlier.mid"));
    {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier take");
    }
    EXPECT_TRUE(MidiFileRecorder(earlier, 1s).checkTarget().isEmpty());
    QFile kept(earlier);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier take"));

    // The folder goes away while recording: one report, the recording goes on, and saves
    // succeed again once the folder is back.
    const QString folder = dir.filePath(QStringLiteral("takes"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList reports;
    std::mutex m;
    MidiFileRecorder recorder(folder + QStringLiteral("/t.mid"), 10ms, [&](const QString& why) {
        std::lock_guard lock(m);
        reports << why;
    });
    recorder.start();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    std::this_thread::sleep_for(100ms);
    recorder.shortMessage(0x007F3C90);
    {
        std::lock_guard lock(m);
        ASSERT_EQ(reports.size(), 1) << reports.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(reports[0].contains(QStringLiteral("t.mid")));
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(recorder.finish());
    EXPECT_EQ(readWithMido(folder + QStringLiteral("/t.mid")).size(), 1U);
    EXPECT_EQ(reports.size(), 1);
}

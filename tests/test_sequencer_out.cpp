// MIDI output to other synthesizers and programs, against a test double of the sequencer and
// JACK ports: listing, name matching, the message stream, the reset, and every failure path.
// The real JACK path is checked end to end in tests/e2e/test_cli.sh.
#include "app/Session.h"
#include "music/PemSoundsModule.h"
#include "music/SoundCard.h"
#include "platform/SequencerOut.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include <unistd.h>

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

class FakePorts final : public platform::MidiPortSystem {
public:
    std::vector<std::string> outputs() override {
        std::lock_guard lock(mutex);
        return names;
    }
    std::unique_ptr<platform::MidiPortConnection> open(const std::string& name,
                                                       std::string& reason) override {
        std::lock_guard lock(mutex);
        if (!openFailure.empty()) {
            reason = openFailure;
            return nullptr;
        }
        opened.push_back(name);
        return std::make_unique<Connection>(*this, name);
    }

    void remove(const std::string& name) {
        std::lock_guard lock(mutex);
        std::erase(names, name);
    }

    std::mutex mutex;
    // While set, a check of whether the port is still there does not end.
    bool holdChecks = false;
    int checks = 0;
    pid_t checker = 0; // the thread of the latest check
    std::condition_variable changed;
    std::vector<std::string> names = {"alsa:FLUID Synth (4512):Synth input port (4512:0) 128:0",
                                      "alsa:Midi Through:Midi Through Port-0 14:0",
                                      "jack:qsynth:midi_in"};
    std::vector<std::string> opened;
    std::string openFailure;
    bool failSends = false;
    std::vector<Bytes> sent;

private:
    class Connection final : public platform::MidiPortConnection {
    public:
        Connection(FakePorts& ports, std::string name) : ports_(ports), name_(std::move(name)) {}
        bool send(const uint8_t* bytes, std::size_t size, std::string& reason) override {
            if (ports_.failSends) {
                reason = "no space left in the queue";
                return false;
            }
            ports_.sent.emplace_back(bytes, bytes + size);
            return true;
        }

        bool stillThere() override {
            std::unique_lock lock(ports_.mutex);
            ++ports_.checks;
            ports_.checker = gettid();
            ports_.changed.notify_all();
            ports_.changed.wait(lock, [this] { return !ports_.holdChecks; });
            return std::find(ports_.names.begin(), ports_.names.end(), name_) != ports_.names.end();
        }

    private:
        FakePorts& ports_;
        std::string name_;
    };
};

using testing_support::eventually;

// A started Session with --midi-out NAME on the fake ports, and device 0 opened from it.
struct Routed {
    explicit Routed(const char* name, std::shared_ptr<FakePorts> p = std::make_shared<FakePorts>(),
                    const QString& record = {})
        : ports(std::move(p)),
          session(options(name, record),
                  {.ports = ports, .timing = {1s, 20ms}, .boxes = boxes.show()}) {
        int16_t device = 0;
        card.OpenCard(device);
    }
    ~Routed() { card.CloseCard(); }
    static app::StartOptions options(const char* name, const QString& record) {
        app::StartOptions o;
        o.midiOut = QString::fromUtf8(name);
        o.recordFile = record;
        return o;
    }
    // As the note model sends: to the device and to the recording.
    void send(uint32_t message) {
        int32_t note = static_cast<int32_t>((message >> 8) & 0xFF);
        int32_t channel = static_cast<int32_t>(message & 0x0F) + 1;
        int32_t value = static_cast<int32_t>(message >> 16);
        uint8_t controller = static_cast<uint8_t>(note);
        switch (message & 0xF0) {
        case 0x90:
            PemSoundsModule::SendNoteOn(session.sound(), note, channel, value);
            break;
        case 0xB0:
            PemSoundsModule::SendControlChange(session.sound(), controller, channel, value);
            break;
        case 0xC0:
            PemSoundsModule::SendProgramChange(session.sound(), note, channel);
            break;
        }
    }

    testing_support::CapturedMessageBoxes boxes;
    std::shared_ptr<FakePorts> ports;
    app::Session session;
    SoundCard card{session.sound()};
};

} // namespace

TEST(MidiOutputs, NamesMatchExactlyWithOrWithoutKindOrByOneUniquePart) {
    const FakePorts ports;
    const struct {
        const char* wanted;
        const char* chosen; // null when none
        const char* reason; // part of the reason when none
    } cases[] = {
        {"jack:qsynth:midi_in", "jack:qsynth:midi_in", nullptr},
        {"qsynth:midi_in", "jack:qsynth:midi_in", nullptr},
        {"fluid synth", "alsa:FLUID Synth (4512):Synth input port (4512:0) 128:0", nullptr},
        {"128:0", "alsa:FLUID Synth (4512):Synth input port (4512:0) 128:0", nullptr},
        {"through", "alsa:Midi Through:Midi Through Port-0 14:0", nullptr},
        {"synth", nullptr, "matches 2 MIDI outputs"},
        {"alsa:", nullptr, "matches 2 MIDI outputs"},
        {"hydrogen", nullptr, "no MIDI output matches 'hydrogen'"},
    };
    for (const auto& c : cases) {
        const platform::OutputMatch m = platform::matchOutput(ports.names, c.wanted);
        if (c.chosen != nullptr) {
            EXPECT_EQ(m.name, c.chosen) << c.wanted;
        } else {
            EXPECT_TRUE(m.name.empty()) << c.wanted;
            EXPECT_NE(m.reason.find(c.reason), std::string::npos) << c.wanted << ": " << m.reason;
        }
    }
}

TEST(MidiOutputs, TheSameMessagesInOrderAndAResetThatSilencesEveryChannel) {
    Routed r("qsynth");
    ASSERT_TRUE(r.card.Opened());
    EXPECT_TRUE(r.boxes.texts.isEmpty());
    EXPECT_EQ(r.ports->opened, std::vector<std::string>{"jack:qsynth:midi_in"});

    r.send(0x007F0BB0); // expression 127
    r.send(0x000037C0); // program 55: two bytes on the wire
    r.send(0x007F4890); // note 72 on
    r.send(0x007F3C93); // note 60 on, channel 4
    r.send(0x00004890); // note 72 ended
    r.card.MidiReset();

    std::vector<Bytes> expected = {
        {0xB0, 11, 127}, {0xC0, 55},    {0x90, 72, 127},
        {0x93, 60, 127}, {0x90, 72, 0}, {0x83, 60, 0}, // the note still sounding ends
    };
    for (uint8_t channel = 0; channel < 16; ++channel) {
        expected.push_back({static_cast<uint8_t>(0xB0 + channel), 64, 0});
        expected.push_back({static_cast<uint8_t>(0xB0 + channel), 123, 0});
    }
    EXPECT_EQ(r.ports->sent, expected);

    // A second reset has no notes left to end, only the pedals and all-notes-off.
    r.ports->sent.clear();
    r.card.MidiReset();
    EXPECT_EQ(r.ports->sent.size(), 32U);
}

// The box names the fault, nothing reaches the ports, and the recording still holds the music.
TEST(MidiOutputs, AnOutputThatCannotBeOpenedGivesTheErrorBoxAndSilenceButIsRecorded) {
    const struct {
        const char* wanted;
        const char* openFailure;
        const char* shown;
    } cases[] = {
        {"hydrogen", "", "no MIDI output matches 'hydrogen'"},
        {"synth", "", "matches 2 MIDI outputs"},
        {"qsynth", "JACK server not running?", "jack:qsynth:midi_in: JACK server not running?"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("take.mid"));
        auto ports = std::make_shared<FakePorts>();
        ports->openFailure = c.openFailure;
        {
            Routed r(c.wanted, ports, path);
            EXPECT_FALSE(r.card.Opened()) << c.wanted;
            ASSERT_EQ(r.boxes.texts.size(), 1) << c.wanted;
            EXPECT_TRUE(r.boxes.texts[0].startsWith(QStringLiteral("midiOUT_Open\n")));
            EXPECT_TRUE(r.boxes.texts[0].contains(QString::fromUtf8(c.shown)))
                << qPrintable(r.boxes.texts[0]);
            r.send(0x000037C0);
            r.send(0x007F4890);
            r.card.MidiReset();
            EXPECT_EQ(r.session.finish(0), 0);
        }
        EXPECT_TRUE(ports->sent.empty());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // Program 55, then note 72 on, then its note-off from the reset.
        const auto program = bytes.indexOf(QByteArray("\xC0\x37", 2));
        const auto on = bytes.indexOf(QByteArray("\x90\x48\x7F", 3));
        EXPECT_GE(program, 0);
        EXPECT_GT(on, program);
        EXPECT_GT(bytes.indexOf(QByteArray("\x80\x48\x00", 3)), on);
    }
}

TEST(MidiOutputs, APortThatGoesAwayOrFailsIsReportedOnceAndTheMusicGoesOnSilently) {
    for (const bool vanish : {true, false}) {
        Routed r("through");
        ASSERT_TRUE(r.card.Opened());
        r.send(0x007F4890);
        if (vanish) {
            r.ports->remove("alsa:Midi Through:Midi Through Port-0 14:0");
        } else {
            r.ports->failSends = true;
            r.send(0x00004890);
        }
        ASSERT_TRUE(eventually([&] { return !r.boxes.texts.isEmpty(); })) << vanish;
        EXPECT_TRUE(r.boxes.texts[0].contains(vanish ? QStringLiteral("has gone away")
                                                     : QStringLiteral("no space left")))
            << qPrintable(r.boxes.texts[0]);
        r.ports->failSends = false;
        const std::size_t before = r.ports->sent.size();
        r.send(0x007F4A90);
        r.card.MidiReset();
        std::this_thread::sleep_for(60ms);
        QCoreApplication::processEvents();
        EXPECT_EQ(r.ports->sent.size(), before) << vanish;
        EXPECT_EQ(r.boxes.texts.size(), 1) << vanish;
    }
}

// The thread that checks the port is joined when the output closes, never left behind: a
// check under way is waited for, and afterwards the thread that checked is gone.
TEST(MidiOutputs, ClosingWaitsForACheckUnderWayAndLeavesNoThreadBehind) {
    auto ports = std::make_shared<FakePorts>();
    Routed r("qsynth", ports);
    ASSERT_TRUE(r.card.Opened());
    {
        std::unique_lock lock(ports->mutex);
        ports->holdChecks = true;
        // A check that starts from now on is held.
        const int started = ports->checks;
        ASSERT_TRUE(ports->changed.wait_for(lock, 2s, [&] { return ports->checks > started; }));
    }
    std::atomic<bool> closed{false};
    std::jthread closing([&] {
        r.card.CloseCard();
        closed = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(closed) << "closed while its check was still under way";
    {
        std::lock_guard lock(ports->mutex);
        ports->holdChecks = false;
    }
    ports->changed.notify_all();
    closing.join();
    EXPECT_TRUE(closed);
    const std::string checker = "/proc/self/task/" + std::to_string(ports->checker);
    // A joined thread leaves the process's task list once the kernel has released it.
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(checker); }, 1s));
}

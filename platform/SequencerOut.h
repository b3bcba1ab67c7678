#pragma once

#include "platform/MidiMessages.h"
#include "platform/MidiOut.h"
#include "platform/MidiPorts.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

// A device that passes every message on to another program's or a device's MIDI input. Its
// reset ends every note it left sounding and, on all 16 channels, lifts the sustain pedal and
// sends all notes off. When the port goes away or a message cannot be sent, it reports why
// once and stays silent from then on.
class SequencerOut final : public MidiOutDevice {
public:
    // Told why the output stopped working; on the thread that noticed it.
    using LostReport = std::function<void(const std::string& reason)>;

    SequencerOut(std::shared_ptr<MidiPortSystem> ports, std::unique_ptr<MidiPortConnection> port,
                 std::string name, std::chrono::milliseconds checkEvery, LostReport onLost);
    ~SequencerOut() override;

    void shortMessage(uint32_t message) override;
    void reset() override;
    void close() override;

    bool lost() const;

    // How long closing waits for the thread that checks the port before leaving it behind:
    // a sequencer or JACK server that hangs must not hold up the end of the program.
    static constexpr std::chrono::milliseconds watcherGrace{1000};

private:
    // What the device and its checking thread share; the thread keeps it alive on its own.
    struct Shared {
        std::shared_ptr<MidiPortSystem> ports;
        std::string name;
        std::chrono::milliseconds checkEvery;
        LostReport onLost;
        std::atomic<bool> lost{false};
        std::atomic<bool> reported{false};
        std::mutex mutex;
        std::condition_variable wake;
        bool stopping = false;
        bool finished = false;

        void fail(const std::string& reason);
        void watch();
    };

    void send(uint32_t message);
    void stopWatching();

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<MidiPortConnection> port_;
    midi::SoundingNotes sounding_;
    std::thread watcher_;
};

// A device slot that opens the output the user named: --midi-out NAME. A name that matches
// no output, or one that cannot be opened, fails the open with the reason.
MidiOutFactory sequencerDevice(std::shared_ptr<MidiPortSystem> ports, std::string wanted,
                               std::chrono::milliseconds checkEvery,
                               SequencerOut::LostReport onLost);

} // namespace platform

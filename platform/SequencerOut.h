#pragma once

#include "platform/MidiMessages.h"
#include "platform/MidiOut.h"
#include "platform/MidiPorts.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
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

    // Checks every checkEvery whether the port is still there; never when it is zero.
    SequencerOut(std::unique_ptr<MidiPortConnection> port, std::string name,
                 std::chrono::milliseconds checkEvery, LostReport onLost);
    ~SequencerOut() override;

    void shortMessage(uint32_t message) override;
    void reset() override;
    void close() override;

    bool lost() const;

private:
    void fail(const std::string& reason);
    void send(uint32_t message);
    void watch(std::stop_token stop);
    void stopWatching();

    std::unique_ptr<MidiPortConnection> port_;
    std::string name_;
    std::chrono::milliseconds checkEvery_;
    LostReport onLost_;
    std::atomic<bool> lost_{false};
    std::atomic<bool> reported_{false};
    midi::SoundingNotes sounding_;
    // Last, so that it is stopped and joined before what it uses goes.
    std::jthread watcher_;
};

// A device slot that opens the output the user named: --midi-out NAME. A name that matches
// no output, or one that cannot be opened, fails the open with the reason.
MidiOutFactory sequencerDevice(std::shared_ptr<MidiPortSystem> ports, std::string wanted,
                               std::chrono::milliseconds checkEvery,
                               SequencerOut::LostReport onLost);

} // namespace platform

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

    bool lost() const { return lost_.load(); }

private:
    void send(uint32_t message);
    void fail(const std::string& reason);
    void watch();
    void stopWatching();

    std::shared_ptr<MidiPortSystem> ports_;
    std::unique_ptr<MidiPortConnection> port_;
    const std::string name_;
    const std::chrono::milliseconds checkEvery_;
    const LostReport onLost_;
    midi::SoundingNotes sounding_;

    std::atomic<bool> lost_{false};
    std::atomic<bool> reported_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread watcher_;
};

// A device slot that opens the output the user named: --midi-out NAME. A name that matches
// no output, or one that cannot be opened, fails the open with the reason.
MidiOutFactory sequencerDevice(std::shared_ptr<MidiPortSystem> ports, std::string wanted,
                               std::chrono::milliseconds checkEvery,
                               SequencerOut::LostReport onLost);

} // namespace platform

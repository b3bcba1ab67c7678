#pragma once

#include "platform/MidiOut.h"

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace platform {

// What a recording device was given, in order, with monotonic time stamps.
struct MidiEvent {
    enum class Kind { ShortMessage, Reset, Close };
    Kind kind = Kind::ShortMessage;
    uint32_t message = 0;
    double seconds = 0.0;

    uint8_t status() const { return static_cast<uint8_t>(message & 0xFF); }
    uint8_t data1() const { return static_cast<uint8_t>((message >> 8) & 0xFF); }
    uint8_t data2() const { return static_cast<uint8_t>((message >> 16) & 0xFF); }
};

class MidiRecording {
public:
    std::vector<MidiEvent> events;

    void clear() { events.clear(); }
    std::vector<uint32_t> shortMessages() const;
    std::size_t resets() const;
    std::size_t closes() const;
    // Notes sounding after the last event: note-ons not yet ended by a velocity-0
    // note-on of the same channel and note, or by a reset. Keys are channel * 128 + note.
    std::multiset<int> soundingNotes() const;
};

class RecordingMidiOut final : public MidiOutDevice {
public:
    explicit RecordingMidiOut(std::shared_ptr<MidiRecording> log) : log_(std::move(log)) {}
    void shortMessage(uint32_t message) override;
    void reset() override;
    void close() override;

private:
    std::shared_ptr<MidiRecording> log_;
};

// A device slot that opens a recorder writing to log.
MidiOutFactory recordingDevice(std::shared_ptr<MidiRecording> log);
// A device slot whose open always fails with the given code and detail.
MidiOutFactory failingDevice(MMRESULT code, std::string detail = {});
// A device slot whose opens pass every message on to target, which outlives them all (the
// offline synthesizer as device 0, say).
MidiOutFactory deviceOnto(MidiOutDevice& target);
// The device slot of factory, writing the device of its latest successful open to opened
// (which stays valid while that device is open).
MidiOutFactory noting(MidiOutFactory factory, std::shared_ptr<MidiOutDevice*> opened);

} // namespace platform

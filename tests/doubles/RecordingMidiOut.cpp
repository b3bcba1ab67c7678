#include "doubles/RecordingMidiOut.h"

#include "platform/Clock.h"

#include <algorithm>

namespace platform {

std::vector<uint32_t> MidiRecording::shortMessages() const {
    std::vector<uint32_t> out;
    for (const auto& e : events) {
        if (e.kind == MidiEvent::Kind::ShortMessage) {
            out.push_back(e.message);
        }
    }
    return out;
}

std::size_t MidiRecording::resets() const {
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(),
                      [](const MidiEvent& e) { return e.kind == MidiEvent::Kind::Reset; }));
}

std::size_t MidiRecording::closes() const {
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(),
                      [](const MidiEvent& e) { return e.kind == MidiEvent::Kind::Close; }));
}

std::multiset<int> MidiRecording::soundingNotes() const {
    std::multiset<int> sounding;
    for (const auto& e : events) {
        if (e.kind != MidiEvent::Kind::ShortMessage) {
            sounding.clear();
            continue;
        }
        if ((e.status() & 0xF0) != 0x90) {
            continue;
        }
        const int key = (e.status() & 0x0F) * 128 + e.data1();
        if (e.data2() > 0) {
            sounding.insert(key);
        } else {
            // A velocity-0 note-on ends every sounding copy of that note on a synthesizer.
            sounding.erase(key);
        }
    }
    return sounding;
}

void RecordingMidiOut::shortMessage(uint32_t message) {
    log_->events.push_back({MidiEvent::Kind::ShortMessage, message, monotonicSeconds()});
}

void RecordingMidiOut::reset() {
    log_->events.push_back({MidiEvent::Kind::Reset, 0, monotonicSeconds()});
}

void RecordingMidiOut::close() {
    log_->events.push_back({MidiEvent::Kind::Close, 0, monotonicSeconds()});
}

MidiOutFactory recordingDevice(std::shared_ptr<MidiRecording> log) {
    return [log](std::stop_token) {
        MidiOpenResult r;
        r.device = std::make_unique<RecordingMidiOut>(log);
        return r;
    };
}

namespace {
class Forwarding final : public MidiOutDevice {
public:
    explicit Forwarding(MidiOutDevice& to) : to_(to) {}
    void shortMessage(uint32_t message) override { to_.shortMessage(message); }
    void reset() override { to_.reset(); }

private:
    MidiOutDevice& to_;
};
} // namespace

MidiOutFactory deviceOnto(MidiOutDevice& target) {
    return [&target](std::stop_token) {
        MidiOpenResult r;
        r.device = std::make_unique<Forwarding>(target);
        return r;
    };
}

MidiOutFactory noting(MidiOutFactory factory, std::shared_ptr<MidiOutDevice*> opened) {
    return [factory, opened](std::stop_token stop) {
        MidiOpenResult r = factory(std::move(stop));
        if (r.device) {
            *opened = r.device.get();
        }
        return r;
    };
}

MidiOutFactory failingDevice(MMRESULT code, std::string detail) {
    return [code, detail](std::stop_token) {
        MidiOpenResult r;
        r.error = code;
        r.detail = detail;
        return r;
    };
}

} // namespace platform

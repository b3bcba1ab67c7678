#include "platform/SequencerOut.h"

#include <condition_variable>
#include <mutex>

namespace platform {

SequencerOut::SequencerOut(std::unique_ptr<MidiPortConnection> port, std::string name,
                           std::chrono::milliseconds checkEvery, LostReport onLost)
    : port_(std::move(port)), name_(std::move(name)), checkEvery_(checkEvery),
      onLost_(std::move(onLost)) {
    // The check runs on a thread of its own so that sending never waits for it.
    if (port_ && checkEvery_.count() > 0) {
        watcher_ = std::jthread([this](std::stop_token stop) { watch(std::move(stop)); });
    }
}

SequencerOut::~SequencerOut() {
    stopWatching();
}

bool SequencerOut::lost() const {
    return lost_.load();
}

void SequencerOut::stopWatching() {
    if (watcher_.joinable()) {
        watcher_.request_stop();
        watcher_.join();
    }
}

void SequencerOut::watch(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    const auto stopped = [&stop] { return stop.stop_requested(); };
    while (!lost_ && !wake.wait_for(lock, stop, checkEvery_, stopped)) {
        if (!port_->stillThere() && !stop.stop_requested()) {
            fail("the MIDI output " + name_ + " has gone away");
        }
    }
}

void SequencerOut::fail(const std::string& reason) {
    lost_ = true;
    if (!reported_.exchange(true) && onLost_) {
        onLost_(reason);
    }
}

void SequencerOut::send(uint32_t message) {
    uint8_t bytes[3];
    const std::size_t size = midi::messageBytes(message, bytes);
    if (size == 0 || lost_ || !port_) {
        return;
    }
    std::string reason;
    if (!port_->send(bytes, size, reason)) {
        fail("the MIDI output " + name_ + " failed: " + reason);
    }
}

void SequencerOut::shortMessage(uint32_t message) {
    sounding_.onMessage(message);
    send(message);
}

void SequencerOut::reset() {
    for (const uint32_t message : sounding_.resetMessages()) {
        send(message);
    }
}

void SequencerOut::close() {
    stopWatching();
    port_.reset();
}

MidiOutFactory sequencerDevice(std::shared_ptr<MidiPortSystem> ports, std::string wanted,
                               std::chrono::milliseconds checkEvery,
                               SequencerOut::LostReport onLost) {
    return [ports, wanted, checkEvery, onLost](std::stop_token) {
        MidiOpenResult result;
        result.error = MMSYSERR_ERROR;
        const OutputMatch match = matchOutput(ports->outputs(), wanted);
        if (match.name.empty()) {
            result.detail = match.reason + "; zelphor --list-midi-outputs lists them";
            return result;
        }
        std::string reason;
        auto port = ports->open(match.name, reason);
        if (!port) {
            result.detail = match.name + ": " + reason;
            return result;
        }
        result.error = MMSYSERR_NOERROR;
        result.device =
            std::make_unique<SequencerOut>(std::move(port), match.name, checkEvery, onLost);
        return result;
    };
}

} // namespace platform

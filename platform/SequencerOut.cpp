#include "platform/SequencerOut.h"

#include <algorithm>

namespace platform {

SequencerOut::SequencerOut(std::shared_ptr<MidiPortSystem> ports,
                           std::unique_ptr<MidiPortConnection> port, std::string name,
                           std::chrono::milliseconds checkEvery, LostReport onLost)
    : ports_(std::move(ports)), port_(std::move(port)), name_(std::move(name)),
      checkEvery_(checkEvery), onLost_(std::move(onLost)) {
    // Whether the port is still there is asked on a thread of its own: the question goes to
    // the sequencer or the JACK server, which the caller's thread must never wait for.
    if (ports_ && checkEvery_.count() > 0) {
        watcher_ = std::thread([this] { watch(); });
    }
}

SequencerOut::~SequencerOut() {
    stopWatching();
}

void SequencerOut::stopWatching() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable()) {
        watcher_.join();
    }
}

void SequencerOut::watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_ && !lost_) {
        if (wake_.wait_for(lock, checkEvery_, [this] { return stopping_; })) {
            return;
        }
        lock.unlock();
        const auto names = ports_->outputs();
        const bool there = std::find(names.begin(), names.end(), name_) != names.end();
        lock.lock();
        if (!there && !stopping_) {
            lock.unlock();
            fail("the MIDI output " + name_ + " has gone away");
            lock.lock();
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
    return [ports, wanted, checkEvery, onLost]() {
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
            std::make_unique<SequencerOut>(ports, std::move(port), match.name, checkEvery, onLost);
        return result;
    };
}

} // namespace platform

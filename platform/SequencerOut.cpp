#include "platform/SequencerOut.h"

#include <algorithm>

namespace platform {

SequencerOut::SequencerOut(std::shared_ptr<MidiPortSystem> ports,
                           std::unique_ptr<MidiPortConnection> port, std::string name,
                           std::chrono::milliseconds checkEvery, LostReport onLost)
    : shared_(std::make_shared<Shared>()), port_(std::move(port)) {
    shared_->ports = std::move(ports);
    shared_->name = std::move(name);
    shared_->checkEvery = checkEvery;
    shared_->onLost = std::move(onLost);
    // Whether the port is still there is asked on a thread of its own: the question goes to
    // the sequencer or the JACK server, which the caller's thread must never wait for.
    if (shared_->ports && checkEvery.count() > 0) {
        watcher_ = std::thread([shared = shared_] { shared->watch(); });
    }
}

SequencerOut::~SequencerOut() {
    stopWatching();
}

bool SequencerOut::lost() const {
    return shared_->lost.load();
}

void SequencerOut::stopWatching() {
    if (!watcher_.joinable()) {
        return;
    }
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->wake.notify_all();
    const bool finished =
        shared_->wake.wait_for(lock, watcherGrace, [this] { return shared_->finished; });
    lock.unlock();
    if (finished) {
        watcher_.join();
    } else {
        watcher_.detach();
    }
}

void SequencerOut::Shared::watch() {
    std::unique_lock lock(mutex);
    while (!stopping && !lost) {
        if (wake.wait_for(lock, checkEvery, [this] { return stopping; })) {
            break;
        }
        lock.unlock();
        const auto names = ports->outputs();
        const bool there = std::find(names.begin(), names.end(), name) != names.end();
        lock.lock();
        if (!there && !stopping) {
            lock.unlock();
            fail("the MIDI output " + name + " has gone away");
            lock.lock();
        }
    }
    finished = true;
    wake.notify_all();
}

void SequencerOut::Shared::fail(const std::string& reason) {
    lost = true;
    if (!reported.exchange(true) && onLost) {
        onLost(reason);
    }
}

void SequencerOut::send(uint32_t message) {
    uint8_t bytes[3];
    const std::size_t size = midi::messageBytes(message, bytes);
    if (size == 0 || shared_->lost || !port_) {
        return;
    }
    std::string reason;
    if (!port_->send(bytes, size, reason)) {
        shared_->fail("the MIDI output " + shared_->name + " failed: " + reason);
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
            std::make_unique<SequencerOut>(ports, std::move(port), match.name, checkEvery, onLost);
        return result;
    };
}

} // namespace platform

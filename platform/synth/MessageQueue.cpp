#include "platform/synth/MessageQueue.h"

#include <algorithm>

namespace platform::synth {

namespace {

bool isController(const QueuedMessage& m) {
    return !m.reset && (m.message & 0xF0) == 0xB0;
}

// Channel and controller number.
std::size_t controllerSlot(uint32_t message) {
    return (message & 0x0F) * 256 + ((message >> 8) & 0xFF);
}

} // namespace

MessageQueue::MessageQueue(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {
    entries_.reserve(capacity_);
}

bool MessageQueue::push(uint32_t message) {
    if (entries_.size() >= capacity_) {
        ++dropped_;
        return false;
    }
    entries_.push_back({message, false});
    return true;
}

void MessageQueue::pushReset() {
    if (entries_.size() >= capacity_) {
        keepOnlyLastControllers();
    }
    entries_.push_back({0, true});
}

void MessageQueue::takeAll(std::vector<QueuedMessage>& out) {
    out.clear();
    entries_.swap(out);
    if (entries_.capacity() < capacity_) {
        entries_.reserve(capacity_);
    }
}

void MessageQueue::keepOnlyLastControllers() {
    std::vector<bool> later(16 * 256, false);
    std::vector<QueuedMessage> kept;
    kept.reserve(capacity_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (isController(*it) && !later[controllerSlot(it->message)]) {
            later[controllerSlot(it->message)] = true;
            kept.push_back(*it);
        } else {
            ++dropped_;
        }
    }
    // Earlier resets are covered by the one that follows: it ends every note and lifts
    // the pedals as they did.
    if (kept.size() >= capacity_) {
        dropped_ += kept.size() - capacity_ + 1;
        kept.resize(capacity_ - 1);
    }
    std::reverse(kept.begin(), kept.end());
    entries_.swap(kept);
}

} // namespace platform::synth

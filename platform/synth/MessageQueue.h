#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Messages on their way from the window's thread to the synthesizer's thread, in order.
// Bounded: when it is full a new message is dropped (counted), never waited for, while a
// reset is never lost: it makes room by dropping the queued notes and program changes,
// whose sound it would end anyway, and keeps the last value of every controller, so that a
// volume set before the reset still holds after it. Not locked: its owner locks.
namespace platform::synth {

struct QueuedMessage {
    uint32_t message = 0;
    bool reset = false;
};

class MessageQueue {
public:
    explicit MessageQueue(std::size_t capacity);

    // False when the queue was full and the message was dropped.
    bool push(uint32_t message);
    void pushReset();
    // Moves the queued entries into out (emptied first), keeping both buffers' memory.
    void takeAll(std::vector<QueuedMessage>& out);

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    std::size_t capacity() const { return capacity_; }
    std::size_t dropped() const { return dropped_; }

private:
    void keepOnlyLastControllers();

    std::size_t capacity_;
    std::vector<QueuedMessage> entries_;
    std::size_t dropped_ = 0;
};

} // namespace platform::synth

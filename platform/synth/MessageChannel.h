#pragma once

#include "platform/synth/MessageQueue.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <semaphore>
#include <vector>

// Carries messages from one sending thread (the window's) to the synthesizer's thread, in
// order, without ever making the sender wait: a ring of fixed size written and read without
// a lock, and the sender wakes the receiver only when it sleeps. A ring that is full sends
// on into a backlog, under a lock, with a full queue's rules (new messages dropped, a reset
// never lost); the receiver takes the backlog after the ring.
namespace platform::synth {

class MessageChannel {
public:
    explicit MessageChannel(std::size_t capacity);

    // Sender's side.
    void push(uint32_t message);
    void pushReset();
    // Entries sent so far, dropped ones included.
    uint64_t sent() const { return sent_.load(std::memory_order_acquire); }

    // Receiver's side. Moves what was sent, in order, into out (emptied first).
    void takeAll(std::vector<QueuedMessage>& out);
    // Sleeps until something is sent, wake() is called or the deadline passes.
    void waitUntil(std::chrono::steady_clock::time_point deadline);
    void waitForever();
    // The entries last taken have been applied.
    void markApplied();
    // Entries applied or dropped so far.
    uint64_t done() const { return done_.load(std::memory_order_acquire); }

    // Either side: ends a sleep of the receiver.
    void wake();
    std::size_t dropped() const;

private:
    void send(QueuedMessage entry);
    bool ringEmpty() const;
    template <typename Wait> void sleep(Wait&& wait);

    const std::size_t capacity_;
    std::vector<QueuedMessage> ring_;
    std::atomic<uint64_t> head_{0}; // written by the sender
    std::atomic<uint64_t> tail_{0}; // written by the receiver
    std::atomic<bool> overflowing_{false};
    mutable std::mutex backlogMutex_;
    MessageQueue backlog_;
    std::atomic<bool> sleeping_{false};
    std::counting_semaphore<(1 << 30)> wakeUp_{0};
    std::atomic<uint64_t> sent_{0};
    std::atomic<uint64_t> done_{0};
    std::size_t backlogDropped_ = 0; // receiver's count of the backlog's drops so far
    std::size_t taken_ = 0;          // receiver's count of entries taken, not yet applied
};

} // namespace platform::synth

#include "platform/synth/MessageChannel.h"

#include <algorithm>
#include <utility>

namespace platform::synth {

MessageChannel::MessageChannel(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)), ring_(capacity_), backlog_(capacity_) {}

void MessageChannel::push(uint32_t message) {
    send({message, false});
}

void MessageChannel::pushReset() {
    send({0, true});
}

void MessageChannel::send(QueuedMessage entry) {
    sent_.fetch_add(1, std::memory_order_acq_rel);
    for (;;) {
        if (!overflowing_.load(std::memory_order_acquire)) {
            const uint64_t head = head_.load(std::memory_order_relaxed);
            if (head - tail_.load(std::memory_order_acquire) < capacity_) {
                ring_[head % capacity_] = entry;
                head_.store(head + 1, std::memory_order_seq_cst);
                break;
            }
        }
        std::lock_guard lock(backlogMutex_);
        if (!overflowing_.load(std::memory_order_acquire) &&
            head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire) <
                capacity_) {
            // The receiver emptied the backlog meanwhile: the ring takes it again.
            continue;
        }
        overflowing_.store(true, std::memory_order_release);
        if (entry.reset) {
            backlog_.pushReset();
        } else {
            backlog_.push(entry.message);
        }
        break;
    }
    if (sleeping_.exchange(false, std::memory_order_seq_cst)) {
        wakeUp_.release();
    }
}

bool MessageChannel::ringEmpty() const {
    return head_.load(std::memory_order_seq_cst) == tail_.load(std::memory_order_relaxed);
}

void MessageChannel::takeAll(std::vector<QueuedMessage>& out) {
    out.clear();
    auto drainRing = [&] {
        const uint64_t head = head_.load(std::memory_order_acquire);
        uint64_t tail = tail_.load(std::memory_order_relaxed);
        for (; tail != head; ++tail) {
            out.push_back(ring_[tail % capacity_]);
        }
        tail_.store(tail, std::memory_order_release);
    };
    drainRing();
    std::size_t dropped = 0;
    if (overflowing_.load(std::memory_order_acquire)) {
        std::lock_guard lock(backlogMutex_);
        // While the backlog fills, the sender writes nothing to the ring: all of the ring
        // comes before all of the backlog.
        drainRing();
        std::vector<QueuedMessage> later;
        backlog_.takeAll(later);
        out.insert(out.end(), later.begin(), later.end());
        dropped = backlog_.dropped() - backlogDropped_;
        backlogDropped_ = backlog_.dropped();
        overflowing_.store(false, std::memory_order_release);
    }
    taken_ = out.size() + dropped;
}

void MessageChannel::markApplied() {
    done_.fetch_add(std::exchange(taken_, 0), std::memory_order_acq_rel);
}

template <typename Wait> void MessageChannel::sleep(Wait&& wait) {
    sleeping_.store(true, std::memory_order_seq_cst);
    if (ringEmpty() && !overflowing_.load(std::memory_order_seq_cst)) {
        wait();
    }
    sleeping_.store(false, std::memory_order_seq_cst);
}

void MessageChannel::waitUntil(std::chrono::steady_clock::time_point deadline) {
    sleep([&] { (void)wakeUp_.try_acquire_until(deadline); });
}

void MessageChannel::waitForever() {
    sleep([&] { wakeUp_.acquire(); });
}

void MessageChannel::wake() {
    sleeping_.store(false, std::memory_order_seq_cst);
    wakeUp_.release();
}

std::size_t MessageChannel::dropped() const {
    std::lock_guard lock(backlogMutex_);
    return backlog_.dropped();
}

} // namespace platform::synth

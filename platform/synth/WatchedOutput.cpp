#include "platform/synth/WatchedOutput.h"

#include "platform/synth/Reconnect.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::synth {

namespace {

using Clock = std::chrono::steady_clock;

class WatchedOutput final : public RunningOutput {
public:
    WatchedOutput(Renderer& renderer, std::string label, OpenOutput open, OutputPtr first,
                  WatchTiming timing)
        : renderer_(renderer), label_(std::move(label)), open_(std::move(open)),
          output_(std::move(first)), timing_(timing) {
        thread_ = std::thread([this] { run(); });
    }
    ~WatchedOutput() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    WatchedOutput(const WatchedOutput&) = delete;
    WatchedOutput& operator=(const WatchedOutput&) = delete;

private:
    void run() {
        std::uint64_t blocks = renderer_.blocks.load();
        auto lastBlock = Clock::now();
        std::size_t failures = 0;
        int checksPlayed = 2; // the first output plays when it is started
        auto next = lastBlock + timing_.check;
        std::unique_lock lock(mutex_);
        while (!wake_.wait_until(lock, next, [this] { return quit_; })) {
            lock.unlock();
            const auto now = Clock::now();
            if (!output_) {
                checksPlayed = 0;
                output_ = open_();
                lastBlock = Clock::now();
                blocks = renderer_.blocks.load();
                next = output_ ? lastBlock + timing_.check : lastBlock + retryDelay(failures++);
            } else if (const std::uint64_t counted = renderer_.blocks.load(); counted != blocks) {
                blocks = counted;
                lastBlock = now;
                // A new output fills the device's buffer at once, and may stall after
                // that: it plays once it has gone on rendering for a whole check.
                if (++checksPlayed >= 2) {
                    failures = 0;
                    reportPlaying(renderer_);
                }
                next = now + timing_.check;
            } else if (now - lastBlock >= timing_.silenceLimit) {
                // Gone, or a new output that never played: said first, since ending it may
                // take a while with a server that stalls rather than ends; ended here, on
                // our own thread. Ended, it can no longer take the drop meant for the next.
                reportLoss(renderer_, "the " + label_ + " output has stopped playing");
                output_.reset();
                renderer_.dropPending = true;
                next = Clock::now() + retryDelay(failures++);
            } else {
                checksPlayed = 0;
                next = now + timing_.check;
            }
            lock.lock();
        }
        lock.unlock();
        output_.reset();
    }

    Renderer& renderer_;
    const std::string label_;
    const OpenOutput open_;
    OutputPtr output_; // used by the watch's thread only, once it runs
    const WatchTiming timing_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace

OutputPtr startWatchedOutput(Renderer& renderer, std::string label, OpenOutput open,
                             WatchTiming timing) {
    OutputPtr first = open();
    if (!first) {
        return nullptr;
    }
    return std::make_unique<WatchedOutput>(renderer, std::move(label), std::move(open),
                                           std::move(first), timing);
}

} // namespace platform::synth

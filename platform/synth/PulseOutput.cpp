#include "platform/synth/PulseOutput.h"

#include "platform/synth/PulseStream.h"
#include "platform/synth/Reconnect.h"

#include <pulse/error.h>
#include <pulse/mainloop.h>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::synth {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Audio is the one thing a busy machine must not delay: where the system allows it (a
// real-time limit, or the privilege), the thread runs at a modest real-time priority, as
// the audio threads of the synthesizer library and of the sound servers do.
constexpr int kRealTimePriority = 10;

void preferRealTime() {
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

// A server that takes the connection but does not set up the stream in this time is given
// up on, as one that refuses.
constexpr milliseconds kAnswerLimit{1500};

class PulseOutput final : public RunningOutput {
public:
    explicit PulseOutput(Renderer& renderer)
        : renderer_(renderer), mainloop_(pa_mainloop_new()), stream_(renderer) {
        if (mainloop_ == nullptr) {
            first_ = "no memory for its main loop";
            return;
        }
        thread_ = std::thread([this] { run(); });
    }
    ~PulseOutput() override {
        quit_ = true;
        if (thread_.joinable()) {
            pa_mainloop_wakeup(mainloop_);
            thread_.join();
        }
        if (mainloop_ != nullptr) {
            pa_mainloop_free(mainloop_);
        }
    }
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Empty once the stream plays; the reason when the first try failed or stop came.
    std::string waitForFirstAnswer(std::stop_token stop) {
        // Made before the lock is taken: a stop already requested runs it at once.
        std::stop_callback wake(stop, [this] {
            std::lock_guard inner(mutex_);
            answered_.notify_all();
        });
        std::unique_lock lock(mutex_);
        answered_.wait(lock, [&] { return first_.has_value() || stop.stop_requested(); });
        return first_.value_or("the open was given up");
    }

private:
    void run() {
        preferRealTime();
        bool played = false; // the stream has played once
        std::size_t failures = 0;
        std::optional<Clock::time_point> nextTry = Clock::now();
        std::optional<Clock::time_point> giveUpAt;
        while (!quit_) {
            const auto now = Clock::now();
            if (nextTry && now >= *nextTry) {
                nextTry.reset();
                if (stream_.connect(pa_mainloop_get_api(mainloop_))) {
                    giveUpAt = now + kAnswerLimit;
                } else {
                    giveUpAt = now;
                }
            }
            if (giveUpAt && now >= *giveUpAt && stream_.state() == PulseStream::State::Connecting) {
                stream_.fail("no answer within " + std::to_string(kAnswerLimit.count()) + " ms");
            }
            switch (stream_.state()) {
            case PulseStream::State::Playing:
                giveUpAt.reset();
                if (failures > 0 || !played) {
                    reportPlaying(renderer_);
                    if (!played) {
                        answer({});
                    }
                    played = true;
                    failures = 0;
                }
                break;
            case PulseStream::State::Failed:
                giveUpAt.reset();
                if (!played) {
                    answer(stream_.reason());
                    stream_.close();
                    return;
                }
                reportLoss(renderer_, stream_.reason());
                stream_.close();
                nextTry = Clock::now() + retryDelay(failures++);
                break;
            case PulseStream::State::Idle:
            case PulseStream::State::Connecting:
                break;
            }
            iterate(nextTry ? nextTry : giveUpAt);
        }
        stream_.close();
        if (!played) {
            answer("the open was given up");
        }
    }

    // One round of the main loop: waits for the server, a wake-up or the deadline.
    void iterate(std::optional<Clock::time_point> deadline) {
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(*deadline - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        if (pa_mainloop_prepare(mainloop_, timeout) < 0 || pa_mainloop_poll(mainloop_) < 0 ||
            pa_mainloop_dispatch(mainloop_) < 0) {
            // Only a quit request ends the loop this way; it is ours.
            std::this_thread::sleep_for(milliseconds(10));
        }
    }

    void answer(std::string why) {
        std::lock_guard lock(mutex_);
        if (!first_) {
            first_ = std::move(why);
            answered_.notify_all();
        }
    }

    Renderer& renderer_;
    pa_mainloop* mainloop_;
    PulseStream stream_;
    std::atomic<bool> quit_{false};
    std::mutex mutex_;
    std::condition_variable answered_;
    std::optional<std::string> first_;
    std::thread thread_;
};

} // namespace

OutputPtr startPulseOutput(Renderer& renderer, std::stop_token stop, std::string* why) {
    auto output = std::make_unique<PulseOutput>(renderer);
    std::string failed = output->waitForFirstAnswer(stop);
    if (!failed.empty()) {
        if (why != nullptr) {
            *why = std::move(failed);
        }
        return nullptr;
    }
    return output;
}

} // namespace platform::synth

#include "platform/synth/PulseOutput.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

namespace platform::synth {

namespace {

// Audio is the one thing a busy machine must not delay: where the system allows it (a
// real-time limit, or the privilege), the thread runs at a modest real-time priority, as
// the audio threads of the synthesizer library and of the sound servers do.
constexpr int kRealTimePriority = 10;

bool preferRealTime() {
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// The client library's own thread carries our audio to the server; it takes the
// scheduling of the thread that opens the stream, so the stream is opened from a thread
// raised for the moment.
class RealTimeForAWhile {
public:
    RealTimeForAWhile() {
        pthread_getschedparam(pthread_self(), &policy_, &param_);
        raised_ = preferRealTime();
    }
    ~RealTimeForAWhile() {
        if (raised_) {
            pthread_setschedparam(pthread_self(), policy_, &param_);
        }
    }
    RealTimeForAWhile(const RealTimeForAWhile&) = delete;
    RealTimeForAWhile& operator=(const RealTimeForAWhile&) = delete;

private:
    int policy_ = SCHED_OTHER;
    sched_param param_{};
    bool raised_ = false;
};

// The server keeps kOutputLatencyMs queued; blocks of about 6 ms top it up.
constexpr int kBlockFrames = 256;

class PulseOutput final : public RunningOutput {
public:
    PulseOutput(pa_simple* stream, Renderer& renderer)
        : stream_(stream), renderer_(renderer), left_(kBlockFrames), right_(kBlockFrames),
          interleaved_(2 * kBlockFrames) {
        thread_ = std::thread([this] { run(); });
    }
    ~PulseOutput() override {
        running_ = false;
        thread_.join();
        pa_simple_free(stream_);
    }
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

private:
    void run() {
        preferRealTime();
        float* out[2] = {left_.data(), right_.data()};
        while (running_) {
            std::fill(left_.begin(), left_.end(), 0.0f);
            std::fill(right_.begin(), right_.end(), 0.0f);
            fluid_synth_process(renderer_.synth, kBlockFrames, 0, nullptr, 2, out);
            renderer_.limiter.process(left_.data(), right_.data(), kBlockFrames);
            for (std::size_t i = 0; i < left_.size(); ++i) {
                interleaved_[2 * i] = left_[i];
                interleaved_[2 * i + 1] = right_[i];
            }
            int error = 0;
            if (pa_simple_write(stream_, interleaved_.data(), interleaved_.size() * sizeof(float),
                                &error) < 0) {
                return;
            }
        }
    }

    pa_simple* stream_;
    Renderer& renderer_;
    std::vector<float> left_;
    std::vector<float> right_;
    std::vector<float> interleaved_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace

OutputPtr startPulseOutput(Renderer& renderer, std::string* why) {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.channels = 2;
    format.rate = static_cast<uint32_t>(kSampleRate);
    const auto bytes = [](double ms) {
        return static_cast<uint32_t>(std::lround(kSampleRate * ms / 1000.0) * 2 * sizeof(float));
    };
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = bytes(kOutputLatencyMs);
    buffer.prebuf = static_cast<uint32_t>(-1);
    buffer.minreq = static_cast<uint32_t>(kBlockFrames * 2 * sizeof(float));
    buffer.fragsize = static_cast<uint32_t>(-1);
    // The mixer shows the stream under the program's name and icon; the client library takes
    // the icon from the environment, where a user's own choice stays.
    setenv("PULSE_PROP_application.icon_name", "org.zelphor.Zelphor", 0);
    setenv("PULSE_PROP_application.id", "org.zelphor.Zelphor", 0);
    int error = 0;
    const RealTimeForAWhile raised;
    pa_simple* stream = pa_simple_new(nullptr, "Zelphor", PA_STREAM_PLAYBACK, nullptr, "Zelphor",
                                      &format, nullptr, &buffer, &error);
    if (stream == nullptr) {
        if (why != nullptr) {
            *why = pa_strerror(error);
        }
        return nullptr;
    }
    return std::make_unique<PulseOutput>(stream, renderer);
}

} // namespace platform::synth

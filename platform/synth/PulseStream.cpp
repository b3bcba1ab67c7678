#include "platform/synth/PulseStream.h"

#include "platform/synth/SynthEngine.h"

#include <pulse/error.h>
#include <pulse/proplist.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::synth {

namespace {

// The server keeps kOutputLatencyMs queued; blocks of about 6 ms top it up.
constexpr std::size_t kBlockFrames = 256;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);
constexpr const char* kName = "Zelphor";
constexpr const char* kIcon = "org.zelphor.Zelphor";

struct ProplistDeleter {
    void operator()(pa_proplist* p) const { pa_proplist_free(p); }
};

std::string contextError(pa_context* context) {
    return pa_strerror(pa_context_errno(context));
}

} // namespace

PulseStream::PulseStream(Renderer& renderer)
    : renderer_(renderer), left_(kBlockFrames), right_(kBlockFrames),
      interleaved_(2 * kBlockFrames) {}

PulseStream::~PulseStream() {
    close();
}

bool PulseStream::connect(pa_mainloop_api* api) {
    close();
    reason_.clear();
    // The mixer shows the stream under the program's name and icon; the client library
    // puts the user's own PULSE_PROP_ settings over these.
    std::unique_ptr<pa_proplist, ProplistDeleter> props(pa_proplist_new());
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_NAME, kName);
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ICON_NAME, kIcon);
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ID, kIcon);
    context_ = pa_context_new_with_proplist(api, kName, props.get());
    if (context_ == nullptr) {
        fail("no memory for a connection");
        return false;
    }
    state_ = State::Connecting;
    pa_context_set_state_callback(context_, onContextState, this);
    // A server is not started for us: the desktop's is used, or none.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        fail(contextError(context_));
        return false;
    }
    return true;
}

void PulseStream::close() {
    if (stream_ != nullptr) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    state_ = State::Idle;
}

void PulseStream::fail(std::string reason) {
    if (state_ != State::Failed) {
        state_ = State::Failed;
        reason_ = std::move(reason);
    }
}

void PulseStream::onContextState(pa_context* context, void* self) {
    auto& me = *static_cast<PulseStream*>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        me.openStream();
        break;
    case PA_CONTEXT_FAILED:
        me.fail(contextError(context));
        break;
    case PA_CONTEXT_TERMINATED:
        me.fail("the audio server closed the connection");
        break;
    default:
        break;
    }
}

void PulseStream::openStream() {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.channels = 2;
    format.rate = static_cast<uint32_t>(kSampleRate);
    const auto frames = static_cast<uint32_t>(std::lround(kSampleRate * kOutputLatencyMs / 1000));
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = frames * static_cast<uint32_t>(kFrameBytes);
    buffer.prebuf = static_cast<uint32_t>(-1);
    buffer.minreq = static_cast<uint32_t>(kBlockFrames * kFrameBytes);
    buffer.fragsize = static_cast<uint32_t>(-1);
    stream_ = pa_stream_new(context_, kName, &format, nullptr);
    if (stream_ == nullptr) {
        fail(contextError(context_));
        return;
    }
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWrite, this);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        fail(contextError(context_));
    }
}

void PulseStream::onStreamState(pa_stream* stream, void* self) {
    auto& me = *static_cast<PulseStream*>(self);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (me.state_ == State::Connecting) {
            me.state_ = State::Playing;
        }
        break;
    case PA_STREAM_FAILED:
        me.fail(contextError(me.context_));
        break;
    case PA_STREAM_TERMINATED:
        me.fail("the audio server ended the stream");
        break;
    default:
        break;
    }
}

void PulseStream::onWrite(pa_stream*, size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->render(bytes);
}

void PulseStream::render(std::size_t bytes) {
    // What played while the sound was lost is not heard late.
    if (renderer_.dropPending.exchange(false)) {
        fluid_synth_all_sounds_off(renderer_.synth, -1);
    }
    float* out[2] = {left_.data(), right_.data()};
    while (bytes >= kFrameBytes && stream_ != nullptr) {
        const std::size_t frames = std::min(bytes / kFrameBytes, kBlockFrames);
        std::fill(left_.begin(), left_.end(), 0.0f);
        std::fill(right_.begin(), right_.end(), 0.0f);
        const int n = static_cast<int>(frames);
        fluid_synth_process(renderer_.synth, n, 0, nullptr, 2, out);
        renderer_.limiter.process(left_.data(), right_.data(), n);
        for (std::size_t i = 0; i < frames; ++i) {
            interleaved_[2 * i] = left_[i];
            interleaved_[2 * i + 1] = right_[i];
        }
        if (pa_stream_write(stream_, interleaved_.data(), frames * kFrameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            fail(contextError(context_));
            return;
        }
        bytes -= frames * kFrameBytes;
    }
}

} // namespace platform::synth

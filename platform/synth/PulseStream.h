#pragma once

#include "platform/synth/AudioOutput.h"

#include <pulse/context.h>
#include <pulse/stream.h>

#include <string>
#include <vector>

// One connection to a PulseAudio server with one playback stream, rendered from the
// synthesizer as the server asks for sound. Used on the thread of its main loop only; it
// never waits: connect starts the set-up and the main loop's callbacks carry it on.
namespace platform::synth {

class PulseStream {
public:
    enum class State { Idle, Connecting, Playing, Failed };

    explicit PulseStream(Renderer& renderer);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Starts connecting; false when it failed at once (the state is then Failed).
    bool connect(pa_mainloop_api* api);
    // Disconnects; the state is Idle again.
    void close();
    // Gives the connection up with the reason.
    void fail(std::string reason);

    State state() const { return state_; }
    const std::string& reason() const { return reason_; }

private:
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    void openStream();
    void render(std::size_t bytes);

    Renderer& renderer_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    State state_ = State::Idle;
    std::string reason_;
    std::vector<float> left_;
    std::vector<float> right_;
    std::vector<float> interleaved_;
};

} // namespace platform::synth

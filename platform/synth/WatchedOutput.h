#pragma once

#include "platform/synth/AudioOutput.h"

#include <chrono>
#include <functional>
#include <string>

// An output that the synthesizer library drives on a thread of its own, watched from a
// thread of ours. The library tells nobody when such an output stops: its JACK driver only
// logs the loss of the server, and its ALSA driver's thread simply ends on a failed device.
// Either way the output renders nothing more, and that is what the watch looks for: once
// no block has been rendered for a while, it ends the output, says the sound is lost, and
// opens a new one with the back-off of Reconnect.h until one renders again. Opening and
// ending happen on the watch's thread only, never on the library's audio thread nor on the
// caller's; stopping the watch waits for an open under way, which refuses or succeeds at
// once when the server or device is gone.
namespace platform::synth {

// Opens one output that renders through the renderer, counting its blocks there; null when
// refused.
using OpenOutput = std::function<OutputPtr()>;

struct WatchTiming {
    std::chrono::milliseconds check{250};         // how often the blocks are counted
    std::chrono::milliseconds silenceLimit{1000}; // none for this long: the output is lost
};

// Null when the first open is refused; else the output, watched. label names the output in
// the line on the loss.
OutputPtr startWatchedOutput(Renderer& renderer, std::string label, OpenOutput open,
                             WatchTiming timing = {});

} // namespace platform::synth

#pragma once

#include "platform/synth/AudioOutput.h"

#include <memory>

// Output to a PulseAudio server, or PipeWire's PulseAudio service. The library's own driver
// renders in blocks as long as its target latency, so its buffer runs nearly empty before
// every write and a busy desktop makes it crackle. This one keeps the buffer at the target
// by rendering small blocks, and names the stream after the program.
namespace platform::synth {

// Null when no server answers with a stream; may block while the server is silent.
OutputPtr startPulseOutput(Renderer& renderer, std::string* why);

} // namespace platform::synth

#pragma once

#include "platform/synth/AudioOutput.h"

#include <memory>
#include <stop_token>
#include <string>

// Output to a PulseAudio server, or PipeWire's PulseAudio service. The library's own driver
// renders in blocks as long as its target latency, so its buffer runs nearly empty before
// every write and a busy desktop makes it crackle. This one keeps the buffer at the target
// by rendering small blocks, and names the stream after the program.
//
// It runs on the client library's asynchronous interface, on a thread of its own that any
// other thread can wake: no call waits on the server, so a server that takes a connection
// and never answers costs a time limit, and stopping the output always takes a moment
// only. When the server goes away once the output plays, it says so on standard error and
// connects again with a back-off until the server is back; what was played meanwhile is
// dropped, not played late.
namespace platform::synth {

// Null when no server answers with a playing stream within a time limit, or once stop is
// requested; why then says what went wrong. Waits for the server's first answer only.
OutputPtr startPulseOutput(Renderer& renderer, std::stop_token stop, std::string* why);

} // namespace platform::synth

#pragma once

#include "platform/synth/AudioOutput.h"

#include <chrono>
#include <cstddef>
#include <string>

// What every audio output does once its server or device has gone away while it played: it
// tries again with a back-off, and says so on standard error, once when the sound is lost
// and once when it is back, whichever output plays then. No box: the program goes on
// without sound meanwhile, and what the synthesizer played meanwhile is not heard late.
namespace platform::synth {

// The wait before the next try after this many failed ones since the loss: a few tries a
// second at first, then one every 2 s.
std::chrono::milliseconds retryDelay(std::size_t failures);

// The sound through renderer is lost, for why: the line on standard error unless it is
// already there, and the next block rendered ends every sounding note first.
void reportLoss(Renderer& renderer, const std::string& why);

// An output renders through renderer: the line that the sound is back, once after a loss.
void reportPlaying(Renderer& renderer);

} // namespace platform::synth

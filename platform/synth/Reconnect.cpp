#include "platform/synth/Reconnect.h"

#include <cstdio>
#include <iterator>

namespace platform::synth {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRetryDelays[] = {milliseconds(100), milliseconds(250), milliseconds(250),
                                         milliseconds(500), milliseconds(1000)};
constexpr milliseconds kLastRetryDelay{2000};

} // namespace

milliseconds retryDelay(std::size_t failures) {
    return failures < std::size(kRetryDelays) ? kRetryDelays[failures] : kLastRetryDelay;
}

void reportLoss(Renderer& renderer, const std::string& why) {
    renderer.dropPending = true;
    if (!renderer.lost.exchange(true)) {
        std::fprintf(stderr,
                     "zelphor: the sound is lost: %s; trying again until the audio output is "
                     "back\n",
                     why.c_str());
    }
}

void reportPlaying(Renderer& renderer) {
    if (renderer.lost.exchange(false)) {
        std::fprintf(stderr, "zelphor: the sound is back\n");
    }
}

} // namespace platform::synth

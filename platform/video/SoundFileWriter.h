#pragma once

#include "platform/video/MediaWriter.h"

namespace platform::video {

// wav (16-bit PCM) and flac (16-bit) through libsndfile: stereo sound, every sample kept.
std::unique_ptr<MediaWriter> openSoundFile(const std::string& path, Kind kind,
                                           const MediaSettings& settings, std::string* error);

} // namespace platform::video

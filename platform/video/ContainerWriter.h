#pragma once

#include "platform/video/MediaWriter.h"

namespace platform::video {

// mp4, webm and mkv through FFmpeg's muxers: one picture stream and one stereo sound stream.
std::unique_ptr<MediaWriter> openContainer(const std::string& path, Kind kind,
                                           const MediaSettings& settings, std::string* error);

} // namespace platform::video

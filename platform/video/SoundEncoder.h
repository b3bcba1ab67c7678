#pragma once

#include "platform/video/AvSupport.h"
#include "platform/video/MediaWriter.h"

#include <vector>

namespace platform::video {

// The sound stream of a container: stereo float sound gathered into the encoder's frame size
// and encoded with AAC (mp4), Opus (webm) or FLAC (mkv); the last, shorter frame as it is.
class SoundEncoder {
public:
    // Adds the stream to `format` and opens its encoder; nullptr and a reason otherwise.
    static std::unique_ptr<SoundEncoder> open(AVFormatContext* format, Kind kind,
                                              const MediaSettings& settings, std::string* error);
    ~SoundEncoder();
    SoundEncoder(const SoundEncoder&) = delete;
    SoundEncoder& operator=(const SoundEncoder&) = delete;

    bool encode(const float* left, const float* right, int frames, std::string* error);
    // Encodes what is gathered and sends what the encoder still holds to the muxer.
    bool flush(std::string* error);

private:
    explicit SoundEncoder(AVFormatContext* format) : format_(format) {}
    bool sendGathered(std::string* error);

    AVFormatContext* format_;
    AVStream* stream_ = nullptr;
    CodecContextPtr codec_;
    FramePtr frame_;
    PacketPtr packet_;
    int frameSize_ = 0;
    std::vector<float> left_;
    std::vector<float> right_;
    int gathered_ = 0;
    int64_t sent_ = 0;
};

} // namespace platform::video

#pragma once

#include "platform/video/AvSupport.h"
#include "platform/video/MediaWriter.h"

namespace platform::video {

// The picture stream of a container: RGB32 pictures turned to BT.709 yuv420p and encoded with
// H.264 (libx264) or VP9 (libvpx), frame k at time k / fps.
class PictureEncoder {
public:
    // Adds the stream to `format` and opens its encoder; nullptr and a reason otherwise.
    static std::unique_ptr<PictureEncoder> open(AVFormatContext* format, Kind kind,
                                                const MediaSettings& settings, std::string* error);
    ~PictureEncoder();
    PictureEncoder(const PictureEncoder&) = delete;
    PictureEncoder& operator=(const PictureEncoder&) = delete;

    bool encode(const uint8_t* pixels, int stride, std::string* error);
    // Sends what the encoder still holds to the muxer.
    bool flush(std::string* error);

private:
    explicit PictureEncoder(AVFormatContext* format) : format_(format) {}
    AVFormatContext* format_;
    AVStream* stream_ = nullptr;
    CodecContextPtr codec_;
    FramePtr frame_;
    PacketPtr packet_;
    int64_t frames_ = 0;
};

} // namespace platform::video

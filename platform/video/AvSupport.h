#pragma once
// What the FFmpeg-based parts share: readable reasons and handing encoded packets on.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

namespace platform::video {

// FFmpeg's text for an error code.
std::string avError(int code);

// Sets *error to "what: FFmpeg's reason" (or just `what`) and returns false.
bool fail(std::string* error, const std::string& what, int code);
bool fail(std::string* error, const std::string& what);

// Takes every packet the encoder has ready and hands it to the muxer, time stamps turned
// from the encoder's time base to the stream's.
bool drainEncoder(AVCodecContext* codec, AVStream* stream, AVFormatContext* format,
                  AVPacket* packet, std::string* error);

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// Opens `codec` on `context` with the given options; an option the encoder did not take is
// an error too, so that a misspelt or missing option is never silently ignored.
bool openEncoder(AVCodecContext* context, const AVCodec* codec, AVDictionary** options,
                 std::string* error);

} // namespace platform::video

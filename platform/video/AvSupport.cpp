#include "platform/video/AvSupport.h"

extern "C" {
#include <libavutil/error.h>
}

namespace platform::video {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool fail(std::string* error, const std::string& what, int code) {
    *error = what + ": " + avError(code);
    return false;
}

bool fail(std::string* error, const std::string& what) {
    *error = what;
    return false;
}

bool drainEncoder(AVCodecContext* codec, AVStream* stream, AVFormatContext* format,
                  AVPacket* packet, std::string* error) {
    for (;;) {
        int rc = avcodec_receive_packet(codec, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc < 0) {
            return fail(error, std::string(codec->codec->name) + " failed", rc);
        }
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        // Takes the packet's data over and leaves the packet blank, also on failure.
        rc = av_interleaved_write_frame(format, packet);
        if (rc < 0) {
            return fail(error, "writing failed", rc);
        }
    }
}

bool openEncoder(AVCodecContext* context, const AVCodec* codec, AVDictionary** options,
                 std::string* error) {
    const int rc = avcodec_open2(context, codec, options);
    if (rc < 0) {
        av_dict_free(options);
        return fail(error, std::string("cannot open the ") + codec->name + " encoder", rc);
    }
    const AVDictionaryEntry* left = av_dict_get(*options, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    if (left != nullptr) {
        const std::string name = left->key;
        av_dict_free(options);
        return fail(error, std::string("the ") + codec->name + " encoder has no option " + name);
    }
    av_dict_free(options);
    return true;
}

} // namespace platform::video

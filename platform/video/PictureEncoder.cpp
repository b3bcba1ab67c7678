#include "platform/video/PictureEncoder.h"

#include "platform/video/ColourConversion.h"

#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

namespace platform::video {

namespace {

// Chosen from bench_media_writer on a 2-core machine shared with a build: H.264 must encode
// 720p30 at ten times real time or more, and only x264's fastest preset comes near that
// (superfast takes about 40 % more time per frame); VP9 as fast as libvpx goes.
void pictureOptions(Kind kind, AVCodecContext* codec, AVDictionary** options) {
    if (kind == Kind::WebM) {
        codec->bit_rate = 0; // constant quality
        av_dict_set(options, "crf", "32", 0);
        av_dict_set(options, "deadline", "realtime", 0);
        av_dict_set(options, "cpu-used", "8", 0);
        av_dict_set(options, "row-mt", "1", 0);
        av_dict_set(options, "tile-columns", "2", 0);
        av_dict_set(options, "lag-in-frames", "0", 0);
    } else {
        av_dict_set(options, "preset", "ultrafast", 0);
        av_dict_set(options, "crf", "20", 0);
    }
}

// Zeroes a new picture buffer whole, the padding at the end of each row included: the encoder
// reads some of it, and left as it came from the allocator it makes two runs differ.
void clearPicture(AVFrame* f) {
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? f->height : (f->height + 1) / 2;
        std::memset(f->data[plane], 0,
                    static_cast<std::size_t>(f->linesize[plane]) * static_cast<std::size_t>(rows));
    }
}

} // namespace

PictureEncoder::~PictureEncoder() = default;

std::unique_ptr<PictureEncoder> PictureEncoder::open(AVFormatContext* format, Kind kind,
                                                     const MediaSettings& settings,
                                                     std::string* error) {
    const char* name = kind == Kind::WebM ? "libvpx-vp9" : "libx264";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) {
        fail(error, std::string("this FFmpeg has no ") + name + " encoder");
        return nullptr;
    }
    std::unique_ptr<PictureEncoder> self(new PictureEncoder(format));
    self->codec_.reset(avcodec_alloc_context3(codec));
    self->frame_.reset(av_frame_alloc());
    self->packet_.reset(av_packet_alloc());
    if (!self->codec_ || !self->frame_ || !self->packet_) {
        fail(error, "out of memory", AVERROR(ENOMEM));
        return nullptr;
    }
    AVCodecContext* c = self->codec_.get();
    c->width = settings.width;
    c->height = settings.height;
    c->time_base = AVRational{1, settings.fps};
    c->framerate = AVRational{settings.fps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = 2 * settings.fps;
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->thread_count = 0; // as many as the machine has; both encoders stay deterministic
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    pictureOptions(kind, c, &options);
    if (!openEncoder(c, codec, &options, error)) {
        return nullptr;
    }
    self->stream_ = avformat_new_stream(format, nullptr);
    if (self->stream_ == nullptr) {
        fail(error, "cannot add the picture stream", AVERROR(ENOMEM));
        return nullptr;
    }
    self->stream_->time_base = c->time_base;
    self->stream_->avg_frame_rate = c->framerate;
    int rc = avcodec_parameters_from_context(self->stream_->codecpar, c);
    if (rc < 0) {
        fail(error, "cannot describe the picture stream", rc);
        return nullptr;
    }
    AVFrame* f = self->frame_.get();
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    f->color_range = c->color_range;
    f->colorspace = c->colorspace;
    f->color_primaries = c->color_primaries;
    f->color_trc = c->color_trc;
    rc = av_frame_get_buffer(f, 0);
    if (rc < 0) {
        fail(error, "cannot allocate a picture", rc);
        return nullptr;
    }
    clearPicture(f);
    return self;
}

bool PictureEncoder::encode(const uint8_t* pixels, int stride, std::string* error) {
    AVCodecContext* c = codec_.get();
    if (pixels == nullptr || stride < 4 * c->width) {
        return fail(error, "a picture of " + std::to_string(c->width) + " pixels per row needs " +
                               std::to_string(4 * c->width) + " bytes per row, got " +
                               std::to_string(stride));
    }
    // The encoder may still hold the last picture's buffer; then this one gets a new one.
    const bool fresh = av_frame_is_writable(frame_.get()) == 0;
    int rc = av_frame_make_writable(frame_.get());
    if (rc < 0) {
        return fail(error, "cannot allocate a picture", rc);
    }
    if (fresh) {
        clearPicture(frame_.get());
    }
    AVFrame* f = frame_.get();
    bgrxToYuv420(
        pixels, stride, c->width, c->height,
        {f->data[0], f->linesize[0], f->data[1], f->linesize[1], f->data[2], f->linesize[2]});
    frame_->pts = frames_;
    rc = avcodec_send_frame(c, frame_.get());
    if (rc < 0) {
        return fail(error, std::string(c->codec->name) + " took no picture", rc);
    }
    ++frames_;
    return drainEncoder(c, stream_, format_, packet_.get(), error);
}

bool PictureEncoder::flush(std::string* error) {
    const int rc = avcodec_send_frame(codec_.get(), nullptr);
    if (rc < 0) {
        return fail(error, std::string(codec_->codec->name) + " cannot be flushed", rc);
    }
    return drainEncoder(codec_.get(), stream_, format_, packet_.get(), error);
}

} // namespace platform::video

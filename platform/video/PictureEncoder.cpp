#include "platform/video/PictureEncoder.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace platform::video {

namespace {

// Chosen from bench_media_writer on a 2-core machine: H.264 must encode 720p30 at ten times
// real time or more, VP9 as fast as libvpx goes.
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
        av_dict_set(options, "preset", "superfast", 0);
        av_dict_set(options, "crf", "21", 0);
    }
}

} // namespace

PictureEncoder::~PictureEncoder() {
    sws_freeContext(convert_);
}

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
    // Same size, so only the pixel format changes: BT.709 matrix, full-range RGB to
    // limited-range YUV, as the stream says.
    self->convert_ = sws_getContext(c->width, c->height, AV_PIX_FMT_BGR0, c->width, c->height,
                                    AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (self->convert_ == nullptr) {
        fail(error, "cannot set up the conversion to yuv420p");
        return nullptr;
    }
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(self->convert_, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
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
    int rc = av_frame_make_writable(frame_.get());
    if (rc < 0) {
        return fail(error, "cannot allocate a picture", rc);
    }
    const uint8_t* const planes[1] = {pixels};
    const int strides[1] = {stride};
    sws_scale(convert_, planes, strides, 0, c->height, frame_->data, frame_->linesize);
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

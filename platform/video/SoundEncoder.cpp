#include "platform/video/SoundEncoder.h"

#include <algorithm>
#include <cmath>

namespace platform::video {

namespace {

struct SoundCodec {
    const char* name;
    AVSampleFormat format;
    int64_t bitRate;
};

SoundCodec soundCodecFor(Kind kind) {
    switch (kind) {
    case Kind::WebM:
        return {"libopus", AV_SAMPLE_FMT_FLT, 128000};
    case Kind::Mkv:
        return {"flac", AV_SAMPLE_FMT_S16, 0};
    default:
        return {"aac", AV_SAMPLE_FMT_FLTP, 192000};
    }
}

bool rateSupported(const AVCodec* codec, int rate) {
    if (codec->supported_samplerates == nullptr) {
        return true;
    }
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) {
        if (*r == rate) {
            return true;
        }
    }
    return false;
}

// Into [-1, 1]; a sample that is not a number becomes silence.
float clip(float v) {
    if (std::isnan(v)) {
        return 0.0F;
    }
    return std::clamp(v, -1.0F, 1.0F);
}

int16_t toS16(float v) {
    return static_cast<int16_t>(std::lrint(clip(v) * 32767.0F));
}

} // namespace

SoundEncoder::~SoundEncoder() = default;

std::unique_ptr<SoundEncoder> SoundEncoder::open(AVFormatContext* format, Kind kind,
                                                 const MediaSettings& settings,
                                                 std::string* error) {
    const SoundCodec wanted = soundCodecFor(kind);
    const AVCodec* codec = avcodec_find_encoder_by_name(wanted.name);
    if (codec == nullptr) {
        fail(error, std::string("this FFmpeg has no ") + wanted.name + " encoder");
        return nullptr;
    }
    if (!rateSupported(codec, settings.sampleRate)) {
        fail(error, std::string("the ") + wanted.name + " encoder does not take " +
                        std::to_string(settings.sampleRate) + " samples per second");
        return nullptr;
    }
    std::unique_ptr<SoundEncoder> self(new SoundEncoder(format));
    self->codec_.reset(avcodec_alloc_context3(codec));
    self->frame_.reset(av_frame_alloc());
    self->packet_.reset(av_packet_alloc());
    if (!self->codec_ || !self->frame_ || !self->packet_) {
        fail(error, "out of memory", AVERROR(ENOMEM));
        return nullptr;
    }
    AVCodecContext* c = self->codec_.get();
    c->sample_fmt = wanted.format;
    c->sample_rate = settings.sampleRate;
    c->time_base = AVRational{1, settings.sampleRate};
    c->bit_rate = wanted.bitRate;
    av_channel_layout_default(&c->ch_layout, 2);
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    if (!openEncoder(c, codec, &options, error)) {
        return nullptr;
    }
    const bool anySize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    self->frameSize_ = anySize || c->frame_size <= 0 ? 1024 : c->frame_size;
    self->left_.resize(static_cast<std::size_t>(self->frameSize_));
    self->right_.resize(static_cast<std::size_t>(self->frameSize_));

    self->stream_ = avformat_new_stream(format, nullptr);
    if (self->stream_ == nullptr) {
        fail(error, "cannot add the sound stream", AVERROR(ENOMEM));
        return nullptr;
    }
    self->stream_->time_base = c->time_base;
    int rc = avcodec_parameters_from_context(self->stream_->codecpar, c);
    if (rc < 0) {
        fail(error, "cannot describe the sound stream", rc);
        return nullptr;
    }
    AVFrame* f = self->frame_.get();
    f->format = c->sample_fmt;
    f->sample_rate = c->sample_rate;
    f->nb_samples = self->frameSize_;
    rc = av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
    if (rc >= 0) {
        rc = av_frame_get_buffer(f, 0);
    }
    if (rc < 0) {
        fail(error, "cannot allocate a sound frame", rc);
        return nullptr;
    }
    return self;
}

bool SoundEncoder::encode(const float* left, const float* right, int frames, std::string* error) {
    if (frames < 0 || (frames > 0 && (left == nullptr || right == nullptr))) {
        return fail(error, "no sound given for " + std::to_string(frames) + " frames");
    }
    while (frames > 0) {
        const int take = std::min(frames, frameSize_ - gathered_);
        std::copy(left, left + take, left_.begin() + gathered_);
        std::copy(right, right + take, right_.begin() + gathered_);
        gathered_ += take;
        left += take;
        right += take;
        frames -= take;
        if (gathered_ == frameSize_ && !sendGathered(error)) {
            return false;
        }
    }
    return true;
}

bool SoundEncoder::sendGathered(std::string* error) {
    AVCodecContext* c = codec_.get();
    int rc = av_frame_make_writable(frame_.get());
    if (rc < 0) {
        return fail(error, "cannot allocate a sound frame", rc);
    }
    AVFrame* f = frame_.get();
    f->nb_samples = gathered_;
    const auto n = static_cast<std::size_t>(gathered_);
    if (c->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        auto* l = reinterpret_cast<float*>(f->data[0]);
        auto* r = reinterpret_cast<float*>(f->data[1]);
        for (std::size_t i = 0; i < n; ++i) {
            l[i] = clip(left_[i]);
            r[i] = clip(right_[i]);
        }
    } else if (c->sample_fmt == AV_SAMPLE_FMT_FLT) {
        auto* lr = reinterpret_cast<float*>(f->data[0]);
        for (std::size_t i = 0; i < n; ++i) {
            lr[2 * i] = clip(left_[i]);
            lr[2 * i + 1] = clip(right_[i]);
        }
    } else {
        auto* lr = reinterpret_cast<int16_t*>(f->data[0]);
        for (std::size_t i = 0; i < n; ++i) {
            lr[2 * i] = toS16(left_[i]);
            lr[2 * i + 1] = toS16(right_[i]);
        }
    }
    f->pts = sent_;
    rc = avcodec_send_frame(c, f);
    if (rc < 0) {
        return fail(error, std::string(c->codec->name) + " took no sound", rc);
    }
    sent_ += gathered_;
    gathered_ = 0;
    return drainEncoder(c, stream_, format_, packet_.get(), error);
}

bool SoundEncoder::flush(std::string* error) {
    if (gathered_ > 0 && !sendGathered(error)) {
        return false;
    }
    const int rc = avcodec_send_frame(codec_.get(), nullptr);
    if (rc < 0) {
        return fail(error, std::string(codec_->codec->name) + " cannot be flushed", rc);
    }
    return drainEncoder(codec_.get(), stream_, format_, packet_.get(), error);
}

} // namespace platform::video

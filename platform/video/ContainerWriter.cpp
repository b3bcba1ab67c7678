#include "platform/video/ContainerWriter.h"

#include "platform/video/AvSupport.h"
#include "platform/video/PartFile.h"
#include "platform/video/PictureEncoder.h"
#include "platform/video/SoundEncoder.h"

namespace platform::video {

namespace {

const char* muxerFor(Kind kind) {
    switch (kind) {
    case Kind::Mp4:
        return "mp4";
    case Kind::WebM:
        return "webm";
    default:
        return "matroska";
    }
}

class ContainerWriter final : public MediaWriter {
public:
    ContainerWriter(std::unique_ptr<PartFile> part, Kind kind)
        : part_(std::move(part)), kind_(kind) {}

    ~ContainerWriter() override {
        // The encoders refer to the format's streams: they go first.
        picture_.reset();
        sound_.reset();
        if (format_ != nullptr) {
            avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }

    bool start(const MediaSettings& settings, std::string* error) {
        const std::string url = "file:" + part_->path();
        int rc = avformat_alloc_output_context2(&format_, nullptr, muxerFor(kind_), url.c_str());
        if (rc < 0 || format_ == nullptr) {
            return fail(error, std::string("cannot set up the ") + muxerFor(kind_) + " muxer", rc);
        }
        // No random identifiers and no library version in the file: the same input gives the
        // same bytes.
        format_->flags |= AVFMT_FLAG_BITEXACT;
        picture_ = PictureEncoder::open(format_, kind_, settings, error);
        if (!picture_) {
            return false;
        }
        sound_ = SoundEncoder::open(format_, kind_, settings, error);
        if (!sound_) {
            return false;
        }
        rc = avio_open(&format_->pb, url.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0) {
            return fail(error, "cannot open " + part_->path(), rc);
        }
        AVDictionary* options = nullptr;
        if (kind_ == Kind::Mp4) {
            // The index at the front, so that playing can start before the whole file is read.
            av_dict_set(&options, "movflags", "+faststart", 0);
        }
        rc = avformat_write_header(format_, &options);
        av_dict_free(&options);
        if (rc < 0) {
            return fail(error, "cannot start the file", rc);
        }
        return true;
    }

    bool writeFrame(const uint8_t* pixels, int stride, std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        return kept(picture_->encode(pixels, stride, &failure_), error);
    }

    bool writeSound(const float* left, const float* right, int frames,
                    std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        return kept(sound_->encode(left, right, frames, &failure_), error);
    }

    bool finish(std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        finished_ = true;
        bool ok = picture_->flush(&failure_) && sound_->flush(&failure_);
        if (ok) {
            const int rc = av_write_trailer(format_);
            ok = rc >= 0 || fail(&failure_, "cannot end the file", rc);
        }
        if (ok) {
            const int rc = avio_closep(&format_->pb);
            ok = rc >= 0 || fail(&failure_, "cannot close the file", rc);
        }
        ok = ok && part_->commit(&failure_);
        return kept(ok, error);
    }

private:
    bool usable(std::string* error) {
        if (!failure_.empty()) {
            *error = failure_;
            return false;
        }
        if (finished_) {
            return fail(error, part_->target() + ": already finished");
        }
        return true;
    }

    // Keeps the first failure, the target's name in front, for every later call too.
    bool kept(bool ok, std::string* error) {
        if (!ok) {
            if (failure_.rfind(part_->target(), 0) != 0) {
                failure_ = part_->target() + ": " + failure_;
            }
            *error = failure_;
        }
        return ok;
    }

    std::unique_ptr<PartFile> part_;
    Kind kind_;
    AVFormatContext* format_ = nullptr;
    std::unique_ptr<PictureEncoder> picture_;
    std::unique_ptr<SoundEncoder> sound_;
    std::string failure_;
    bool finished_ = false;
};

} // namespace

std::unique_ptr<MediaWriter> openContainer(const std::string& path, Kind kind,
                                           const MediaSettings& settings, std::string* error) {
    // The encoders' progress reports would fill the program's error output; failures come
    // back as reasons instead.
    av_log_set_level(AV_LOG_ERROR);
    auto part = PartFile::create(path, error);
    if (!part) {
        return nullptr;
    }
    auto writer = std::make_unique<ContainerWriter>(std::move(part), kind);
    if (!writer->start(settings, error)) {
        *error = path + ": " + *error;
        return nullptr;
    }
    return writer;
}

} // namespace platform::video

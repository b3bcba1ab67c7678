#include "platform/video/SoundFileWriter.h"

#include "platform/video/PartFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::video {

namespace {

class SoundFileWriter final : public MediaWriter {
public:
    SoundFileWriter(std::unique_ptr<PartFile> part, SNDFILE* file)
        : part_(std::move(part)), file_(file) {}

    ~SoundFileWriter() override {
        if (file_ != nullptr) {
            sf_close(file_);
        }
    }

    bool writeFrame(const uint8_t*, int, std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        return failed("a sound file holds no pictures", error);
    }

    bool writeSound(const float* left, const float* right, int frames,
                    std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        if (frames < 0 || (frames > 0 && (left == nullptr || right == nullptr))) {
            return failed("no sound given for " + std::to_string(frames) + " frames", error);
        }
        // In pieces, so that a long call needs no long buffer.
        constexpr int piece = 4096;
        interleaved_.resize(2 * piece);
        for (int done = 0; done < frames; done += piece) {
            const int n = std::min(piece, frames - done);
            for (int i = 0; i < n; ++i) {
                const std::size_t at = 2 * static_cast<std::size_t>(i);
                interleaved_[at] = clip(left[done + i]);
                interleaved_[at + 1] = clip(right[done + i]);
            }
            if (sf_writef_float(file_, interleaved_.data(), n) != n) {
                return failed(std::string("writing failed: ") + sf_strerror(file_), error);
            }
        }
        return true;
    }

    bool finish(std::string* error) override {
        if (!usable(error)) {
            return false;
        }
        const int rc = sf_close(file_);
        file_ = nullptr;
        if (rc != 0) {
            return failed(std::string("cannot close the file: ") + sf_error_number(rc), error);
        }
        if (!part_->commit(&failure_)) {
            *error = failure_;
            return false;
        }
        finished_ = true;
        return true;
    }

private:
    static float clip(float v) { return std::isnan(v) ? 0.0F : std::clamp(v, -1.0F, 1.0F); }

    bool usable(std::string* error) {
        if (!failure_.empty()) {
            *error = failure_;
            return false;
        }
        if (finished_) {
            *error = part_->target() + ": already finished";
            return false;
        }
        return true;
    }

    bool failed(const std::string& reason, std::string* error) {
        failure_ = part_->target() + ": " + reason;
        *error = failure_;
        return false;
    }

    std::unique_ptr<PartFile> part_;
    SNDFILE* file_;
    std::vector<float> interleaved_;
    std::string failure_;
    bool finished_ = false;
};

} // namespace

std::unique_ptr<MediaWriter> openSoundFile(const std::string& path, Kind kind,
                                           const MediaSettings& settings, std::string* error) {
    SF_INFO info{};
    info.samplerate = settings.sampleRate;
    info.channels = 2;
    info.format = (kind == Kind::Flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    if (sf_format_check(&info) == 0) {
        *error = path + ": this libsndfile cannot write " + (kind == Kind::Flac ? "FLAC" : "WAV") +
                 " at " + std::to_string(settings.sampleRate) + " samples per second";
        return nullptr;
    }
    auto part = PartFile::create(path, error);
    if (!part) {
        return nullptr;
    }
    SNDFILE* file = sf_open(part->path().c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        *error = path + ": cannot open " + part->path() + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    // The samples come clipped to [-1, 1] and are scaled by 32767, as the FLAC sound of mkv
    // files is: libsndfile's own clipping would scale by 32768.
    return std::make_unique<SoundFileWriter>(std::move(part), file);
}

} // namespace platform::video

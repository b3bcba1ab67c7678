#pragma once
// Turns pictures and sound into a video or sound file. The only code of the program that
// uses the FFmpeg libraries and libsndfile; this header includes neither.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform::video {

enum class Kind { Mp4, WebM, Mkv, Wav, Flac };

// By the path's extension, case-insensitive; nullopt for anything else.
std::optional<Kind> kindFor(const std::string& path);
// False for wav and flac, which hold sound only.
bool hasPicture(Kind kind);

struct MediaSettings {
    int width = 1280;
    int height = 720;
    int fps = 30;
    int sampleRate = 48000;
};

// .mp4: H.264 and AAC; .webm: VP9 and Opus; .mkv: H.264 and FLAC; .wav: 16-bit PCM;
// .flac: 16-bit FLAC. Sound is stereo. The same input gives the same file, byte for byte.
// Write each frame's sound along with it: the container interleaves the two streams and holds
// back packets of the one that is ahead (up to about 10 s of them).
class MediaWriter {
public:
    // Opens a temporary file beside `path` (same folder, hidden name ".name.<tag>.part");
    // nullptr and a one-line reason in *error when it can't (folder missing or not writable,
    // encoder missing, odd size ...). Nothing is created at `path` itself before finish().
    static std::unique_ptr<MediaWriter> open(const std::string& path, Kind kind,
                                             const MediaSettings& settings, std::string* error);
    // Without a successful finish(): the temporary file is removed, `path` is left as it was.
    virtual ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    // One picture, 32-bit pixels as QImage::Format_RGB32 holds them (bytes B,G,R,X),
    // width x height, `stride` bytes per row. Frame k gets presentation time k / fps.
    // False with a reason for a sound-only kind.
    virtual bool writeFrame(const uint8_t* pixels, int stride, std::string* error) = 0;
    // Stereo sound, float samples in [-1, 1] (beyond is clipped, not-a-number is silence),
    // planar left/right, any number of frames per call.
    virtual bool writeSound(const float* left, const float* right, int frames,
                            std::string* error) = 0;
    // Flushes the encoders, writes the trailer, closes, renames the temporary file to `path`
    // (replacing a file there). After a failure of any call the writer only reports it again.
    virtual bool finish(std::string* error) = 0;

protected:
    MediaWriter() = default;
};

} // namespace platform::video

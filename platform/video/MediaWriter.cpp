#include "platform/video/MediaWriter.h"

#include "platform/video/ContainerWriter.h"
#include "platform/video/SoundFileWriter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace platform::video {

std::optional<Kind> kindFor(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".mp4") {
        return Kind::Mp4;
    }
    if (ext == ".webm") {
        return Kind::WebM;
    }
    if (ext == ".mkv") {
        return Kind::Mkv;
    }
    if (ext == ".wav") {
        return Kind::Wav;
    }
    if (ext == ".flac") {
        return Kind::Flac;
    }
    return std::nullopt;
}

bool hasPicture(Kind kind) {
    return kind == Kind::Mp4 || kind == Kind::WebM || kind == Kind::Mkv;
}

MediaWriter::~MediaWriter() = default;

std::unique_ptr<MediaWriter> MediaWriter::open(const std::string& path, Kind kind,
                                               const MediaSettings& settings, std::string* error) {
    const MediaSettings& s = settings;
    if (s.sampleRate < 8000 || s.sampleRate > 192000) {
        *error = path + ": " + std::to_string(s.sampleRate) +
                 " samples per second is outside 8000 to 192000";
        return nullptr;
    }
    if (!hasPicture(kind)) {
        return openSoundFile(path, kind, settings, error);
    }
    // yuv420p halves the size for colour: both sides must be even.
    if (s.width < 2 || s.height < 2 || s.width > 8192 || s.height > 8192 || s.width % 2 != 0 ||
        s.height % 2 != 0) {
        *error = path + ": the picture size " + std::to_string(s.width) + "x" +
                 std::to_string(s.height) + " must be even and between 2 and 8192";
        return nullptr;
    }
    if (s.fps < 1 || s.fps > 240) {
        *error = path + ": " + std::to_string(s.fps) + " frames per second is outside 1 to 240";
        return nullptr;
    }
    return openContainer(path, kind, settings, error);
}

} // namespace platform::video

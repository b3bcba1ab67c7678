// How fast the media writer turns 1280 x 720, 30 fps pictures and 48 kHz stereo sound into each
// kind of file, as seconds of media per second of wall time spent in its calls (the pictures
// are drawn outside the timed part), and whether its memory stays flat over a long file
// (resident size at 20 s against the end).
#include "BenchSupport.h"

#include "platform/video/MediaWriter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

using platform::video::Kind;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFps = 30;
constexpr int kRate = 48000;

// Pictures like the Effects': shapes drawn over what is there on a black surface, cleared now
// and then; or, as the hardest case, every pixel changing every frame.
class Pictures {
public:
    explicit Pictures(bool fullMotion) : fullMotion_(fullMotion) {}

    const uint8_t* next(int k) {
        if (fullMotion_) {
            for (int y = 0; y < kHeight; ++y) {
                uint32_t* row = &pixels_[static_cast<std::size_t>(y * kWidth)];
                for (int x = 0; x < kWidth; ++x) {
                    const auto v = static_cast<uint32_t>(((x + k) ^ (y * 3 - k)) & 0xFF);
                    row[x] =
                        0xFF000000U | (v << 16) | (((v * 3) & 0xFF) << 8) | ((x + y + k) & 0xFF);
                }
            }
        } else {
            if (k % (10 * kFps) == 0) {
                std::fill(pixels_.begin(), pixels_.end(), 0xFF000000U);
            }
            for (int s = 0; s < 24; ++s) {
                const double t = k * 0.02 + s * 0.7;
                const int cx = static_cast<int>((0.5 + 0.45 * std::sin(t * 1.3 + s)) * kWidth);
                const int cy = static_cast<int>((0.5 + 0.45 * std::cos(t * 0.9 + 2 * s)) * kHeight);
                const auto colour = 0xFF000000U |
                                    ((static_cast<uint32_t>(k * 7 + s * 40) & 0xFF) << 16) |
                                    ((static_cast<uint32_t>(s * 90) & 0xFF) << 8) |
                                    (static_cast<uint32_t>(255 - k) & 0xFF);
                fill(cx - 12, cy - 12, 24, 24, colour);
            }
        }
        return reinterpret_cast<const uint8_t*>(pixels_.data());
    }

private:
    void fill(int x0, int y0, int w, int h, uint32_t colour) {
        for (int y = std::max(0, y0); y < std::min(kHeight, y0 + h); ++y) {
            for (int x = std::max(0, x0); x < std::min(kWidth, x0 + w); ++x) {
                pixels_[static_cast<std::size_t>(y * kWidth + x)] = colour;
            }
        }
    }

    bool fullMotion_;
    std::vector<uint32_t> pixels_ =
        std::vector<uint32_t>(std::size_t{kWidth} * kHeight, 0xFF000000U);
};

struct Run {
    double mediaPerWall = 0.0;
    double residentWarmKiB = 0.0;
    double residentAtEndKiB = 0.0;
    bool ok = false;
};

Run encode(const std::string& path, Kind kind, int seconds, int warmSeconds, bool fullMotion) {
    Run run;
    std::string error;
    platform::video::MediaSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.fps = kFps;
    settings.sampleRate = kRate;
    Pictures pictures(fullMotion);
    std::vector<float> left(kRate / kFps);
    std::vector<float> right(kRate / kFps);
    double timed = 0.0;
    auto t0 = bench::Clock::now();
    auto writer = platform::video::MediaWriter::open(path, kind, settings, &error);
    timed += bench::secondsSince(t0);
    if (!writer) {
        std::printf("%s\n", error.c_str());
        return run;
    }
    const bool picture = platform::video::hasPicture(kind);
    for (int k = 0; k < seconds * kFps; ++k) {
        const uint8_t* pixels = picture ? pictures.next(k) : nullptr;
        for (std::size_t i = 0; i < left.size(); ++i) {
            const double at = static_cast<double>(k) / kFps + static_cast<double>(i) / kRate;
            left[i] = static_cast<float>(0.4 * std::sin(2 * M_PI * 220.0 * at));
            right[i] = static_cast<float>(0.4 * std::sin(2 * M_PI * 330.0 * at));
        }
        t0 = bench::Clock::now();
        const bool wrote =
            (!picture || writer->writeFrame(pixels, kWidth * 4, &error)) &&
            writer->writeSound(left.data(), right.data(), static_cast<int>(left.size()), &error);
        timed += bench::secondsSince(t0);
        if (!wrote) {
            std::printf("%s\n", error.c_str());
            return run;
        }
        if (k == warmSeconds * kFps) {
            run.residentWarmKiB = bench::residentKiB();
        }
    }
    run.residentAtEndKiB = bench::residentKiB();
    t0 = bench::Clock::now();
    run.ok = writer->finish(&error);
    timed += bench::secondsSince(t0);
    if (!run.ok) {
        std::printf("%s\n", error.c_str());
    }
    run.mediaPerWall = seconds / timed;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    QCoreApplication app(argc, argv);
    bench::Report report("media_writer");
    QTemporaryDir dir;
    const auto asked = bench::option(argc, argv, "--seconds");
    const int seconds = asked ? std::max(25, std::atoi(asked->c_str())) : smoke ? 6 : 60;
    // Memory is compared from here on: by then the encoders' look-ahead and the muxers'
    // buffers (a Matroska cluster holds up to 5 s) have had a full cycle of the pictures,
    // which are cleared every 10 s.
    const int warmSeconds = smoke ? 3 : 20;
    const struct {
        const char* name;
        Kind kind;
        bool fullMotion;
        std::optional<bench::Budget> budget;
    } cases[] = {
        {"mp4", Kind::Mp4, false, bench::atLeast(10.0)},
        {"mkv", Kind::Mkv, false, bench::atLeast(10.0)},
        {"webm", Kind::WebM, false, std::nullopt},
        {"wav", Kind::Wav, false, std::nullopt},
        {"flac", Kind::Flac, false, std::nullopt},
        {"mp4_full_motion", Kind::Mp4, true, std::nullopt},
        {"webm_full_motion", Kind::WebM, true, std::nullopt},
    };
    bool allOk = true;
    const double residentAtStart = bench::residentKiB();
    const auto only = bench::option(argc, argv, "--only");
    for (const auto& c : cases) {
        if (only && *only != c.name) {
            continue;
        }
        const std::string path = dir.filePath(QString::fromLatin1(c.name)).toStdString() + "." +
                                 (c.kind == Kind::Mp4    ? "mp4"
                                  : c.kind == Kind::Mkv  ? "mkv"
                                  : c.kind == Kind::WebM ? "webm"
                                  : c.kind == Kind::Wav  ? "wav"
                                                         : "flac");
        const Run run = encode(path, c.kind, seconds, warmSeconds, c.fullMotion);
        allOk = allOk && run.ok;
        report.add(std::string("media_") + c.name + "_speed", run.mediaPerWall, "x realtime",
                   smoke ? std::nullopt : c.budget);
        bench::Figure growth;
        growth.name = std::string("media_") + c.name + "_rss_end_vs_warm";
        growth.value = run.residentAtEndKiB / 1024.0;
        growth.unit = "MiB";
        growth.baseline = run.residentWarmKiB / 1024.0;
        if (!smoke) {
            growth.ratioBudget = bench::atMost(1.05);
        }
        report.add(growth);
        std::remove(path.c_str());
    }
    report.note("resident size at start " +
                std::to_string(static_cast<int>(residentAtStart / 1024)) + " MiB; " +
                std::to_string(seconds) + " s of media per kind");
    report.write();
    return allOk ? 0 : 1;
}

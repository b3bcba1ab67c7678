#include "platform/video/MediaWriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// What the writer puts in each kind of file, read back by FFmpeg's own tools: the streams and
// codecs, every frame and every sample, the same bytes for the same input; and that nothing
// appears at the target before finish(), nor stays behind after a failure.
namespace {

using platform::video::Kind;
using platform::video::MediaSettings;
using platform::video::MediaWriter;

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kFps = 30;
constexpr int kFrames = 60;
constexpr int kRate = 48000;
constexpr int kSamples = kFrames * kRate / kFps;

struct KindCase {
    Kind kind;
    const char* extension;
    const char* pictureCodec; // empty for sound files
    const char* soundCodec;
    // Samples FFmpeg's decoder may give beyond those written; 0 is exact. AAC codes whole
    // frames of 1024 samples; the mp4 track notes the true length (checked below) but the
    // decoder gives the last frame whole. Opus in webm marks its padding, which is dropped.
    int sampleSlack;
};

const KindCase kKinds[] = {
    {Kind::Mp4, "mp4", "h264", "aac", 1023}, {Kind::WebM, "webm", "vp9", "opus", 0},
    {Kind::Mkv, "mkv", "h264", "flac", 0},   {Kind::Wav, "wav", "", "pcm_s16le", 0},
    {Kind::Flac, "flac", "", "flac", 0},
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.extension;
}

MediaSettings smallSettings() {
    MediaSettings s;
    s.width = kWidth;
    s.height = kHeight;
    s.fps = kFps;
    s.sampleRate = kRate;
    return s;
}

// Frame k: four coloured quarters and a white bar that moves 8 pixels a frame, B,G,R,X bytes.
std::vector<uint8_t> pattern(int k) {
    std::vector<uint8_t> px(static_cast<std::size_t>(kWidth * kHeight * 4));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &px[static_cast<std::size_t>((y * kWidth + x) * 4)];
            const bool bar = x >= (8 * k) % kWidth && x < (8 * k) % kWidth + 32;
            const int quarter = (y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1);
            static const uint8_t colours[4][3] = {
                {200, 40, 20}, {30, 180, 60}, {20, 60, 210}, {120, 120, 30}};
            for (int c = 0; c < 3; ++c) {
                p[c] = bar ? 235 : colours[quarter][c];
            }
            p[3] = 0xFF;
        }
    }
    return px;
}

float tone(int channel, int i) {
    const double hz = channel == 0 ? 440.0 : 660.0;
    return static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * i / kRate));
}

int16_t asS16(float v) {
    return static_cast<int16_t>(std::lrint(v * 32767.0F));
}

// Pictures and sound as a render would give them: each frame with its sound, in pieces of
// uneven length so that the encoders' frame sizes never line up with the calls.
bool writeAll(MediaWriter& writer, Kind kind, std::string* error) {
    std::vector<float> left(kSamples);
    std::vector<float> right(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        left[static_cast<std::size_t>(i)] = tone(0, i);
        right[static_cast<std::size_t>(i)] = tone(1, i);
    }
    int sent = 0;
    const int pieces[] = {1601, 7, 1000, 2192};
    for (int k = 0; k < kFrames; ++k) {
        if (platform::video::hasPicture(kind)) {
            const auto px = pattern(k);
            if (!writer.writeFrame(px.data(), kWidth * 4, error)) {
                return false;
            }
        }
        const int due = (k + 1) * kRate / kFps;
        while (sent < due) {
            const int n = std::min(pieces[(k + sent) % 4], kSamples - sent);
            if (!writer.writeSound(&left[static_cast<std::size_t>(sent)],
                                   &right[static_cast<std::size_t>(sent)], n, error)) {
                return false;
            }
            sent += n;
        }
    }
    return true;
}

bool haveTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

QByteArray decoded(const QString& file, const QStringList& output) {
    return run(QStringLiteral("ffmpeg"),
               QStringList{"-v", "error", "-i", file} + output + QStringList{"-"});
}

QByteArray decodedSound(const QString& file) {
    return decoded(file, {"-map", "0:a", "-f", "s16le", "-acodec", "pcm_s16le"});
}

QStringList names(const QDir& dir) {
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class EveryKind : public ::testing::TestWithParam<KindCase> {
protected:
    void SetUp() override {
        if (!haveTools()) {
            GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
        }
        ASSERT_TRUE(dir.isValid());
    }

    QString write(const QString& name) {
        const QString path = dir.filePath(name + "." + GetParam().extension);
        std::string error;
        auto writer =
            MediaWriter::open(path.toStdString(), GetParam().kind, smallSettings(), &error);
        EXPECT_TRUE(writer) << error;
        if (writer) {
            EXPECT_TRUE(writeAll(*writer, GetParam().kind, &error)) << error;
            EXPECT_TRUE(writer->finish(&error)) << error;
        }
        return path;
    }

    QTemporaryDir dir;
};

TEST_P(EveryKind, HoldsTheStreamsFramesAndSamplesWritten) {
    const KindCase& c = GetParam();
    const QString path = write("probe");
    const QJsonObject probe =
        QJsonDocument::fromJson(
            run(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-show_streams",
                                            "-show_format", "-of", "json", path}))
            .object();
    const QJsonArray streams = probe["streams"].toArray();
    const bool picture = platform::video::hasPicture(c.kind);
    ASSERT_EQ(streams.size(), picture ? 2 : 1);
    QJsonObject video;
    QJsonObject audio;
    for (const auto& s : streams) {
        (s.toObject()["codec_type"].toString() == "video" ? video : audio) = s.toObject();
    }
    if (picture) {
        EXPECT_EQ(video["codec_name"].toString(), c.pictureCodec);
        EXPECT_EQ(video["width"].toInt(), kWidth);
        EXPECT_EQ(video["height"].toInt(), kHeight);
        EXPECT_EQ(video["pix_fmt"].toString(), "yuv420p");
        EXPECT_EQ(video["nb_read_frames"].toString().toInt(), kFrames);
        EXPECT_EQ(video["avg_frame_rate"].toString().toStdString(), "30/1");
    }
    EXPECT_EQ(audio["codec_name"].toString(), c.soundCodec);
    EXPECT_EQ(audio["sample_rate"].toString().toInt(), kRate);
    EXPECT_EQ(audio["channels"].toInt(), 2);
    if (audio.contains("duration_ts") && audio["time_base"].toString() == "1/48000") {
        EXPECT_EQ(audio["duration_ts"].toInt(), kSamples);
    }
    EXPECT_NEAR(probe["format"].toObject()["duration"].toString().toDouble(), 2.0, 0.05);

    // Every picture in order, in its colours: frame k's bar sits where frame k put it.
    if (picture) {
        const QByteArray raw = decoded(path, {"-map", "0:v", "-fps_mode", "passthrough", "-f",
                                              "rawvideo", "-pix_fmt", "bgr0"});
        const auto frameBytes = static_cast<qsizetype>(kWidth * kHeight * 4);
        ASSERT_EQ(raw.size(), frameBytes * kFrames);
        for (int k = 0; k < kFrames; ++k) {
            const auto want = pattern(k);
            double diff = 0;
            for (qsizetype i = 0; i < frameBytes; ++i) {
                if (i % 4 != 3) {
                    diff += std::abs(int(uint8_t(raw[k * frameBytes + i])) -
                                     int(want[static_cast<std::size_t>(i)]));
                }
            }
            EXPECT_LT(diff / (kWidth * kHeight * 3), 4.0) << "frame " << k;
        }
    }

    // Every sample: the same count, the same values for the lossless kinds, close for the
    // others.
    const QByteArray sound = decodedSound(path);
    const qsizetype samples = sound.size() / 4;
    EXPECT_GE(samples, kSamples);
    EXPECT_LE(samples, kSamples + c.sampleSlack);
    const auto* s16 = reinterpret_cast<const int16_t*>(sound.constData());
    double squared = 0;
    int wrong = 0;
    for (int i = 0; i < std::min<int>(kSamples, int(samples)); ++i) {
        for (int ch = 0; ch < 2; ++ch) {
            const int got = s16[2 * i + ch];
            const int want = asS16(tone(ch, i));
            wrong += got != want;
            squared += double(got - want) * double(got - want);
        }
    }
    const bool lossless = c.kind != Kind::Mp4 && c.kind != Kind::WebM;
    if (lossless) {
        EXPECT_EQ(wrong, 0);
    } else {
        EXPECT_LT(std::sqrt(squared / (2.0 * kSamples)) / 32767.0, 0.02);
    }
}

TEST_P(EveryKind, SameInputGivesTheSameFile) {
    const QString first = write("first");
    const QString second = write("second");
    const QByteArray a = contents(first);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_TRUE(a == contents(second)) << "the two files differ";
    if (platform::video::hasPicture(GetParam().kind)) {
        const QStringList md5 = {"-map", "0:v", "-f", "framemd5"};
        const QByteArray lines = decoded(first, md5);
        EXPECT_EQ(lines.count("\n0,"), kFrames);
        EXPECT_EQ(lines, decoded(second, md5));
    }
    EXPECT_EQ(decodedSound(first), decodedSound(second));
}

// The target appears only at finish(), replacing what was there; a writer dropped before,
// or stopped by a failure, leaves the folder as it was.
TEST_P(EveryKind, TargetChangesOnlyAtFinish) {
    const KindCase& c = GetParam();
    const QString target = dir.filePath(QStringLiteral("kept.") + c.extension);
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    std::string error;
    {
        auto dropped = MediaWriter::open(target.toStdString(), c.kind, smallSettings(), &error);
        ASSERT_TRUE(dropped) << error;
        ASSERT_TRUE(writeAll(*dropped, c.kind, &error)) << error;
        EXPECT_EQ(names(QDir(dir.path())).size(), 2); // the target and the hidden part
    }
    EXPECT_EQ(names(QDir(dir.path())), QStringList{QFileInfo(target).fileName()});
    EXPECT_EQ(contents(target), "old contents");

    auto writer = MediaWriter::open(target.toStdString(), c.kind, smallSettings(), &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writeAll(*writer, c.kind, &error)) << error;
    EXPECT_EQ(contents(target), "old contents");
    ASSERT_TRUE(writer->finish(&error)) << error;
    EXPECT_EQ(names(QDir(dir.path())), QStringList{QFileInfo(target).fileName()});
    EXPECT_GT(contents(target).size(), 1000);
    EXPECT_FALSE(writer->finish(&error));

    // A bad call stops the writer for good, and finish() then says so instead of a file.
    const QString failed = dir.filePath(QStringLiteral("failed.") + c.extension);
    writer = MediaWriter::open(failed.toStdString(), c.kind, smallSettings(), &error);
    ASSERT_TRUE(writer) << error;
    const std::vector<uint8_t> row(kWidth * 4);
    EXPECT_FALSE(platform::video::hasPicture(c.kind)
                     ? writer->writeFrame(row.data(), kWidth * 2, &error)
                     : writer->writeSound(nullptr, nullptr, 10, &error));
    EXPECT_NE(error.find(failed.toStdString()), std::string::npos) << error;
    std::string later;
    EXPECT_FALSE(writer->finish(&later));
    EXPECT_EQ(later, error);
    writer.reset();
    EXPECT_EQ(names(QDir(dir.path())), QStringList{QFileInfo(target).fileName()});
}

INSTANTIATE_TEST_SUITE_P(MediaWriter, EveryKind, ::testing::ValuesIn(kKinds),
                         [](const auto& test) { return std::string(test.param.extension); });

// Where no file can be made, or the settings can't be encoded: no writer, a reason that names
// the place or the setting, and nothing left in the folder.
TEST(MediaWriter, RefusesWhatItCannotWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile plain(dir.filePath("plain"));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    const std::string root = dir.path().toStdString();
    MediaSettings odd = smallSettings();
    odd.width = 321;
    MediaSettings noFrames = smallSettings();
    noFrames.fps = 0;
    MediaSettings cd = smallSettings();
    cd.sampleRate = 44100;
    const struct {
        std::string path;
        Kind kind;
        MediaSettings settings;
        std::string reasonHas;
    } cases[] = {
        {root + "/missing/out.mp4", Kind::Mp4, smallSettings(), root + "/missing"},
        {root + "/missing/out.wav", Kind::Wav, smallSettings(), root + "/missing"},
        {root + "/plain/out.webm", Kind::WebM, smallSettings(), root + "/plain"},
        {"/proc/zelphor-out.flac", Kind::Flac, smallSettings(), "/proc"},
        {root, Kind::Mkv, smallSettings(), root},
        {root + "/odd.mp4", Kind::Mp4, odd, "321x180"},
        {root + "/still.mkv", Kind::Mkv, noFrames, "0 frames per second"},
        {root + "/cd.webm", Kind::WebM, cd, "44100"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(MediaWriter::open(c.path, c.kind, c.settings, &error)) << c.path;
        EXPECT_NE(error.find(c.reasonHas), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_EQ(names(QDir(dir.path())), QStringList{"plain"});
}

// Samples beyond full scale are clipped and those that are not a number become silence, in
// every lossless kind alike (one scale, 32767, for all).
TEST(MediaWriter, ClipsLoudSamplesAndSilencesNonNumbers) {
    if (!haveTools()) {
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const float nan = std::nanf("");
    const std::vector<float> left = {2.0F, -3.0F, nan, 0.5F, 1.0F, -1.0F};
    const std::vector<float> right = {-2.0F, 1.5F, 0.25F, nan, -1.0F, 1.0F};
    const int16_t want[] = {32767, -32767, -32767, 32767,  0,      8192,
                            16384, 0,      32767,  -32767, -32767, 32767};
    for (const KindCase& c : kKinds) {
        if (c.kind == Kind::Mp4 || c.kind == Kind::WebM) {
            continue;
        }
        const QString path = dir.filePath(QStringLiteral("loud.") + c.extension);
        std::string error;
        auto writer = MediaWriter::open(path.toStdString(), c.kind, smallSettings(), &error);
        ASSERT_TRUE(writer) << error;
        std::vector<uint8_t> black(kWidth * kHeight * 4);
        if (platform::video::hasPicture(c.kind)) {
            ASSERT_TRUE(writer->writeFrame(black.data(), kWidth * 4, &error)) << error;
        }
        ASSERT_TRUE(writer->writeSound(left.data(), right.data(), 6, &error)) << error;
        ASSERT_TRUE(writer->finish(&error)) << error;
        const QByteArray sound = decodedSound(path);
        ASSERT_EQ(sound.size(), qsizetype(sizeof want)) << c.extension;
        EXPECT_EQ(std::memcmp(sound.constData(), want, sizeof want), 0) << c.extension;
    }
}

TEST(MediaWriter, KindComesFromTheExtensionInAnyCase) {
    using platform::video::kindFor;
    EXPECT_EQ(kindFor("a/b/film.MP4"), Kind::Mp4);
    EXPECT_EQ(kindFor("film.WebM"), Kind::WebM);
    EXPECT_EQ(kindFor("film.mkv"), Kind::Mkv);
    EXPECT_EQ(kindFor("tune.Wav"), Kind::Wav);
    EXPECT_EQ(kindFor("tune.flac"), Kind::Flac);
    EXPECT_EQ(kindFor("tune.mp3"), std::nullopt);
    EXPECT_EQ(kindFor("mp4"), std::nullopt);
    EXPECT_EQ(kindFor("film.mp4/"), std::nullopt);
}

} // namespace

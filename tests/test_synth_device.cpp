#include "doubles/RecordingMidiOut.h"
#include "doubles/SynthTesting.h"
#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"
#include "support/TestSupport.h"

#include <QLoggingCategory>
#include <QString>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace st = platform::synth_testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::eventually;
using testing_support::ScopedEnv;

constexpr uint32_t kOrganOnChannel1 = 0x000013C0;
constexpr uint32_t kMiddleCOn = 0x00643C90;
constexpr uint32_t kMiddleCOff = 0x00003C90;
constexpr uint32_t kStringsOnChannel1 = 0x000030C0;
constexpr uint32_t kFullExpression = 0x007F0BB0;

// A socket that takes connections and never answers: a sound server that has lost its
// session manager behaves so.
struct SilentServer {
    explicit SilentServer(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                listen(fd, 8) == 0;
    }
    ~SilentServer() { ::close(fd); }
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool bound = false;
};

class SynthDevice : public ::testing::Test {
protected:
    void SetUp() override {
        if (st::installedSoundFonts().empty()) {
            GTEST_SKIP() << "no General MIDI sound font installed";
        }
        devices = std::make_unique<platform::MidiOutRegistry>(
            std::vector<platform::MidiOutFactory>{platform::noting(st::synthesizer(), opened)});
        dir = fs::temp_directory_path() / ("zelphor-synth-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }

    void TearDown() override {
        if (handle != 0) {
            platform::midiOutClose(*devices, handle);
        }
        devices.reset();
        st::restoreDefaults();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string file(const std::string& name, const std::string& content = {}) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    platform::MMRESULT open() { return platform::midiOutOpen(*devices, &handle, 0, 1, 0, 0); }

    std::string errorText(platform::MMRESULT code) const {
        char text[256];
        platform::midiOutGetErrorTextA(*devices, code, text, sizeof text);
        return text;
    }

    platform::MidiOutDevice& device() { return **opened; }

    // Everything sent so far has reached the synthesizer.
    void applied() { ASSERT_TRUE(st::waitUntilApplied(device(), 10s)); }

    platform::SynthesizerState state() {
        platform::MidiOutDevice* device = handle != 0 ? *opened : nullptr;
        const auto s = device != nullptr ? st::inspect(*device) : std::nullopt;
        EXPECT_TRUE(s) << "device 0 is not the open built-in synthesizer";
        return s.value_or(platform::SynthesizerState{});
    }

    std::shared_ptr<platform::MidiOutDevice*> opened =
        std::make_shared<platform::MidiOutDevice*>(nullptr);
    std::unique_ptr<platform::MidiOutRegistry> devices;
    fs::path dir;
    platform::HMIDIOUT handle = 0;
};

TEST_F(SynthDevice, WithoutAnAudioServerOpenFailsQuicklyAndNamesTheOutputsTried) {
    ScopedEnv pulse("PULSE_SERVER", "unix:" + (dir / "no-server" / "native").string());
    ScopedEnv alsa("ALSA_CONFIG_PATH", file("empty-alsa.conf"));
    ScopedEnv jack("JACK_DEFAULT_SERVER", "zelphor-test-no-server");

    const auto start = Clock::now();
    EXPECT_EQ(open(), platform::ZELPHOR_ERR_NOAUDIO);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(handle, 0u);

    const std::string text = errorText(platform::ZELPHOR_ERR_NOAUDIO);
    EXPECT_NE(text.find("tried PulseAudio, ALSA"), std::string::npos) << text;

    EXPECT_EQ(platform::midiOutShortMsg(*devices, handle, kMiddleCOn),
              platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutReset(*devices, handle), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutClose(*devices, handle), platform::MMSYSERR_INVALHANDLE);
}

// The outputs are tried in order and the first that starts plays; one that refuses hands on
// to the next. ALSA here writes to its own file, so each output leaves its own trace.
TEST_F(SynthDevice, TheFirstAudioOutputThatStartsIsTheOneThatPlays) {
    const std::string viaAlsa = (dir / "alsa.raw").string();
    const std::string viaFile = (dir / "file.raw").string();
    const std::string toFile = "pcm.!default { type file slave.pcm nothing file \"" + viaAlsa +
                               "\" format raw }\npcm.nothing { type null }\n";
    const std::string noCard = "pcm.!default { type hw card 99 }\n";
    ScopedEnv pulse("PULSE_SERVER", "unix:" + (dir / "no-server" / "native").string());
    const struct {
        std::vector<std::string> drivers;
        const std::string& alsaConfig;
        const std::string& used;
        const std::string& unused;
    } cases[] = {
        {{"pulseaudio", "file"}, toFile, viaFile, viaAlsa},
        {{"alsa", "file"}, noCard, viaFile, viaAlsa},
        {{"alsa", "file"}, toFile, viaAlsa, viaFile},
        {{"file", "alsa"}, toFile, viaFile, viaAlsa},
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        ScopedEnv alsa("ALSA_CONFIG_PATH", file("alsa" + std::to_string(i++), c.alsaConfig));
        fs::remove(viaAlsa);
        fs::remove(viaFile);
        st::useAudioDrivers(c.drivers, viaFile);
        ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
        EXPECT_TRUE(
            eventually([&] { return fs::exists(c.used) && fs::file_size(c.used) > 0; }, 5s));
        platform::midiOutClose(*devices, handle);
        handle = 0;
        EXPECT_FALSE(fs::exists(c.unused));
    }
}

// The chosen font first, then the places in order; a folder or a file that is no sound font
// is passed over, and the error names where it looked or what it could not read.
TEST_F(SynthDevice, OpensTheFirstUsableFontOrSaysWhereItLooked) {
    const std::string real = st::installedSoundFonts().front();
    fs::create_directories(dir / "folder.sf2");
    const std::string missing = (dir / "missing.sf2").string();
    const std::string folder = (dir / "folder.sf2").string();
    const std::string garbage = file("garbage.sf2", "RIFF? not a sound font");
    struct Case {
        std::optional<std::string> chosen;
        std::vector<std::string> places;
        platform::MMRESULT result;
        std::vector<std::string> named;
    };
    const Case cases[] = {
        {missing, {folder}, platform::ZELPHOR_ERR_NOSOUNDFONT, {"missing.sf2", "folder.sf2"}},
        {garbage, {missing}, platform::ZELPHOR_ERR_SYNTH, {"could not load", "garbage.sf2"}},
        {garbage, {missing, real}, platform::MMSYSERR_NOERROR, {}},
        {real, {garbage}, platform::MMSYSERR_NOERROR, {}},
    };
    st::useAudioDrivers({"file"}, (dir / "out.raw").string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.value_or("") + " then " + c.places.front());
        ScopedEnv env("ZELPHOR_SOUNDFONT", c.chosen);
        st::configure([&](platform::SynthSettings& s) { s.soundFontPlaces = c.places; });
        testing::internal::CaptureStderr();
        ASSERT_EQ(open(), c.result);
        const std::string said = testing::internal::GetCapturedStderr();
        // A chosen font that is not used is named, with the one used instead.
        const bool replaced = c.result == platform::MMSYSERR_NOERROR && c.chosen != real;
        EXPECT_EQ(said.find("ZELPHOR_SOUNDFONT names " + c.chosen.value_or("")) !=
                      std::string::npos,
                  replaced)
            << said;
        if (replaced) {
            EXPECT_NE(said.find("using " + real), std::string::npos) << said;
        }
        std::string offlineError;
        EXPECT_EQ(platform::OfflineSynthesizer::create(44100, &offlineError, st::settings()) !=
                      nullptr,
                  c.result == platform::MMSYSERR_NOERROR);
        for (const std::string& part : c.named) {
            EXPECT_NE(errorText(c.result).find(part), std::string::npos) << errorText(c.result);
            EXPECT_NE(offlineError.find(part), std::string::npos) << offlineError;
        }
        if (handle != 0) {
            platform::midiOutClose(*devices, handle);
            handle = 0;
        }
    }
}

// The open and the close are bounded in time, whatever the audio server does.
TEST_F(SynthDevice, AServerThatNeverAnswersCostsTheTimeLimitAndNoMore) {
    const std::string socketPath = (dir / "native").string();
    SilentServer server(socketPath);
    ASSERT_TRUE(server.bound);
    ScopedEnv pulse("PULSE_SERVER", "unix:" + socketPath);
    st::useAudioDrivers({"pulseaudio"});
    {
        platform::MidiOutRegistry registry({st::synthesizer()}, 500ms);
        platform::HMIDIOUT stuck = 0;
        const auto start = Clock::now();
        EXPECT_EQ(registry.open(&stuck, 0), platform::ZELPHOR_ERR_NOANSWER);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, 500ms);
        EXPECT_LT(took, 1500ms);
        EXPECT_EQ(stuck, 0u);
        EXPECT_NE(
            registry.errorText(platform::ZELPHOR_ERR_NOANSWER).find("did not answer within 500 ms"),
            std::string::npos);
    }

    // Opened on a file output, then paused; the next note asks the silent server.
    st::useAudioDrivers({"file"}, (dir / "out.raw").string());
    st::configure([](platform::SynthSettings& s) {
        s.idlePause = 50ms;
        s.idleCheck = 10ms;
    });
    ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(eventually([this] { return !state().audioRunning; }, 10s));
    st::useAudioDrivers({"pulseaudio"});
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    // Time for the synthesizer's thread to restart the output and so wait for the server; the
    // window's thread never does. A full queue drops notes, and a reset still gets through.
    std::this_thread::sleep_for(100ms);
    for (int i = 0; i < 10000; ++i) {
        platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    }
    platform::midiOutShortMsg(*devices, handle, kFullExpression);
    EXPECT_EQ(platform::midiOutReset(*devices, handle), platform::MMSYSERR_NOERROR);
    EXPECT_GT(state().dropped, 0);
    const auto closing = Clock::now();
    EXPECT_EQ(platform::midiOutClose(*devices, handle), platform::MMSYSERR_NOERROR);
    handle = 0;
    EXPECT_LT(Clock::now() - closing, 1s);
}

// Every installed General MIDI font: they differ in loading time and release lengths.
class IdleAudio : public SynthDevice, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        SynthDevice::SetUp();
        output = (dir / "out.raw").string();
        st::useAudioDrivers({"file"}, output);
        st::configure([](platform::SynthSettings& s) {
            s.idlePause = 200ms;
            s.idleCheck = 20ms;
            s.releaseLimit = 300ms;
            s.preload = false;
        });
        ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
    }
    bool paused() {
        return eventually([this] { return !state().audioRunning; }, 10s);
    }

    // The loudest sample of about a fifth of a second written to the output after the
    // messages sent so far have reached the synthesizer.
    int loudestAfterApplied() {
        const std::string& path = output;
        applied();
        std::error_code ec;
        const auto from = fs::file_size(path, ec);
        EXPECT_TRUE(eventually([&] { return fs::file_size(path, ec) > from + 35000 && !ec; }, 10s));
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from & ~std::uintmax_t{3}));
        int peak = 0;
        int16_t sample = 0;
        while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) {
            peak = std::max(peak, std::abs(int(sample)));
        }
        return peak;
    }

    ScopedEnv font{"ZELPHOR_SOUNDFONT", GetParam()};
    std::string output;
};

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(IdleAudio);
INSTANTIATE_TEST_SUITE_P(Fonts, IdleAudio, ::testing::ValuesIn(st::installedSoundFonts()));

TEST_P(IdleAudio, PausesWhenSilentAndResumesWithTheNextNoteAudible) {
    EXPECT_TRUE(state().audioRunning);
    ASSERT_TRUE(paused());

    // Controls and programs make no sound: they leave the output paused.
    platform::midiOutShortMsg(*devices, handle, kFullExpression);
    platform::midiOutShortMsg(*devices, handle, kOrganOnChannel1);
    applied();
    EXPECT_FALSE(state().audioRunning);

    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    EXPECT_GT(loudestAfterApplied(), 100);
    const auto resumed = state();
    EXPECT_TRUE(resumed.audioRunning);
    EXPECT_EQ(resumed.audioStarts, 2);
    EXPECT_GT(resumed.activeVoices, 0);
}

TEST_P(IdleAudio, StaysRunningWhileANoteSoundsAndPausesAfterReset) {
    platform::midiOutShortMsg(*devices, handle, kOrganOnChannel1);
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    // Many idle periods with the organ held: the output must keep running.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(state().audioRunning);
    EXPECT_EQ(state().audioStarts, 1);

    EXPECT_EQ(platform::midiOutReset(*devices, handle), platform::MMSYSERR_NOERROR);
    // Released by the reset: held, the organ would keep the output running.
    ASSERT_TRUE(paused());

    // Closing while a note sounds does not wait for it.
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    const auto start = Clock::now();
    EXPECT_EQ(platform::midiOutClose(*devices, handle), platform::MMSYSERR_NOERROR);
    handle = 0;
    EXPECT_LT(Clock::now() - start, 1s);
}

// Near the voice limit the library leaves some released voices unfinished for good. Those
// must not keep the output running: a release older than the limit counts as silence.
TEST_P(IdleAudio, ALongReleasePausesOnceTheLimitHasPassed) {
    platform::midiOutShortMsg(*devices, handle, kStringsOnChannel1);
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    applied();
    std::this_thread::sleep_for(100ms);
    platform::midiOutShortMsg(*devices, handle, kMiddleCOff);
    applied();
    ASSERT_TRUE(eventually([this] { return !state().audioRunning; }, 1000ms));
    EXPECT_GT(state().activeVoices, 0) << "the release had not ended yet";
}

TEST_P(IdleAudio, AnOutputThatWillNotRestartKeepsTheDeviceUsable) {
    ASSERT_TRUE(paused());
    st::useAudioDrivers({"file"}, (dir / "missing-dir" / "out.raw").string());
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    applied();
    EXPECT_FALSE(state().audioRunning);
    EXPECT_EQ(platform::midiOutReset(*devices, handle), platform::MMSYSERR_NOERROR);

    st::useAudioDrivers({"file"}, output);
    // A refused restart is retried after a pause of about a second, not on every note.
    std::this_thread::sleep_for(1500ms);
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    applied();
    EXPECT_TRUE(state().audioRunning);
}

// The lines of the synthesizer's diagnostic category, which is on meanwhile.
class SynthLog {
public:
    SynthLog() {
        QLoggingCategory::setFilterRules(QStringLiteral("zelphor.synth.info=true"));
        previous_ = qInstallMessageHandler(keep);
    }
    ~SynthLog() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules({});
    }
    static std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    static void keep(QtMsgType, const QMessageLogContext& context, const QString& text) {
        std::lock_guard lock(mutex_);
        if (context.category != nullptr && std::string(context.category) == "zelphor.synth") {
            lines_.push_back(text.toStdString());
        }
    }
    static inline std::mutex mutex_;
    static inline std::vector<std::string> lines_;
    QtMessageHandler previous_ = nullptr;
};

// Every instrument is loaded in the background, which the diagnostic line says once; and a
// note after a program change sounds.
TEST_P(IdleAudio, EveryInstrumentIsLoadedAheadOfItsFirstNote) {
    platform::midiOutClose(*devices, handle);
    handle = 0;
    st::configure([](platform::SynthSettings& s) {
        s.preload = true;
        s.preloadDelay = 0ms;
    });
    SynthLog log;
    const std::size_t linesBefore = SynthLog::lines().size();
    ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(eventually([this] { return state().presetsLoaded == 81; }, 60s));
    const auto loadedLines = [&] {
        const auto all = SynthLog::lines();
        return std::count_if(
            all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end(),
            [](const std::string& l) { return l.find("all 81 instruments are loaded") != l.npos; });
    };
    EXPECT_TRUE(eventually([&] { return loadedLines() > 0; }, 5s));
    platform::midiOutShortMsg(*devices, handle, kStringsOnChannel1);
    platform::midiOutShortMsg(*devices, handle, kMiddleCOn);
    EXPECT_GT(loudestAfterApplied(), 100);
    EXPECT_EQ(loadedLines(), 1);
}

} // namespace

#include "platform/FluidSynthOut.h"
#include "platform/FluidSynthOutTesting.h"
#include "platform/MidiOut.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace st = platform::synth_testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kOrganOnChannel1 = 0x000013C0;
constexpr uint32_t kMiddleCOn = 0x00643C90;
constexpr uint32_t kMiddleCOff = 0x00003C90;
constexpr uint32_t kStringsOnChannel1 = 0x000030C0;
constexpr uint32_t kFullExpression = 0x007F0BB0;
constexpr uint32_t kSnareOnChannel10 = 0x00642699;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

std::optional<std::string> installedSoundFont() {
    for (const auto& path : platform::soundFontCandidates()) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) {
            return path;
        }
    }
    return std::nullopt;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::string errorText(platform::MMRESULT code) {
    char text[256];
    platform::midiOutGetErrorTextA(code, text, sizeof text);
    return text;
}

class SynthDevice : public ::testing::Test {
protected:
    void SetUp() override {
        platform::restoreDefaultMidiOutDevices();
        dir = fs::temp_directory_path() / ("zelphor-synth-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }

    void TearDown() override {
        if (handle != 0) {
            platform::midiOutClose(handle);
        }
        st::restoreDefaults();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string file(const std::string& name, const std::string& content = {}) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    platform::MMRESULT open() { return platform::midiOutOpen(&handle, 0, 1, 0, 0); }

    st::BuiltInSynthesizerState state() {
        platform::MidiOutDevice* device = platform::midiOutDeviceFor(handle);
        const auto s = device != nullptr ? st::inspect(*device) : std::nullopt;
        EXPECT_TRUE(s) << "device 0 is not the open built-in synthesizer";
        return s.value_or(st::BuiltInSynthesizerState{});
    }

    // The loudest sample written by the file output so far.
    int loudest(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        int peak = 0;
        int16_t sample = 0;
        while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) {
            peak = std::max(peak, std::abs(int(sample)));
        }
        return peak;
    }

    fs::path dir;
    platform::HMIDIOUT handle = 0;
};

TEST_F(SynthDevice, WithoutAnAudioServerOpenFailsQuicklyAndNamesTheOutputsTried) {
    if (!installedSoundFont()) {
        GTEST_SKIP() << "no General MIDI sound font installed";
    }
    ScopedEnv pulse("PULSE_SERVER", "unix:" + (dir / "no-server" / "native").string());
    ScopedEnv alsa("ALSA_CONFIG_PATH", file("empty-alsa.conf"));
    ScopedEnv jack("JACK_DEFAULT_SERVER", "zelphor-test-no-server");

    const auto start = Clock::now();
    EXPECT_EQ(open(), platform::ZELPHOR_ERR_NOAUDIO);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(handle, 0u);

    const std::string text = errorText(platform::ZELPHOR_ERR_NOAUDIO);
    EXPECT_NE(text.find("tried PulseAudio, ALSA"), std::string::npos) << text;

    EXPECT_EQ(platform::midiOutShortMsg(handle, kMiddleCOn), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutReset(handle), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutClose(handle), platform::MMSYSERR_INVALHANDLE);
}

// The chosen font first, then the places in order; a folder or a file that is no sound font
// is passed over, and the error names where it looked or what it could not read.
TEST_F(SynthDevice, OpensTheFirstUsableFontOrSaysWhereItLooked) {
    const std::optional<std::string> real = installedSoundFont();
    if (!real) {
        GTEST_SKIP() << "no General MIDI sound font installed";
    }
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
        {garbage, {missing, *real}, platform::MMSYSERR_NOERROR, {}},
        {*real, {garbage}, platform::MMSYSERR_NOERROR, {}},
    };
    st::useAudioDrivers({"file"}, (dir / "out.raw").string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.value_or("") + " then " + c.places.front());
        ScopedEnv env("ZELPHOR_SOUNDFONT", c.chosen);
        st::lookForSoundFontsOnlyIn(c.places);
        ASSERT_EQ(open(), c.result);
        std::string offlineError;
        EXPECT_EQ(platform::OfflineSynthesizer::create(44100, &offlineError) != nullptr,
                  c.result == platform::MMSYSERR_NOERROR);
        for (const std::string& part : c.named) {
            EXPECT_NE(errorText(c.result).find(part), std::string::npos) << errorText(c.result);
            EXPECT_NE(offlineError.find(part), std::string::npos) << offlineError;
        }
        if (handle != 0) {
            platform::midiOutClose(handle);
            handle = 0;
        }
    }
}

TEST_F(SynthDevice, TheFirstAudioOutputThatOpensWins) {
    if (!installedSoundFont()) {
        GTEST_SKIP() << "no General MIDI sound font installed";
    }
    st::useAudioDrivers({"no-such-driver", "file"}, (dir / "out.raw").string());
    const auto start = Clock::now();
    ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(state().audioRunning);
}

class IdleAudio : public SynthDevice {
protected:
    void SetUp() override {
        SynthDevice::SetUp();
        if (!installedSoundFont()) {
            GTEST_SKIP() << "no General MIDI sound font installed";
        }
        output = (dir / "out.raw").string();
        st::useAudioDrivers({"file"}, output);
        st::setIdlePause(200ms, 20ms);
        st::setReleaseLimit(300ms);
        ASSERT_EQ(open(), platform::MMSYSERR_NOERROR);
    }

    bool paused() {
        return waitFor([this] { return !state().audioRunning; }, 10s);
    }

    // The loudest sample of the first fifth of a second or so written to path.
    int loudestOnceWritten(const std::string& path) {
        EXPECT_TRUE(waitFor(
            [&] {
                std::error_code ec;
                return fs::file_size(path, ec) > 35000 && !ec;
            },
            10s));
        return loudest(path);
    }

    std::string output;
};

TEST_F(IdleAudio, PausesWhenSilentAndResumesWithTheNextNoteAudible) {
    EXPECT_TRUE(state().audioRunning);
    ASSERT_TRUE(paused());

    // Controls and programs make no sound: they leave the output paused.
    platform::midiOutShortMsg(handle, kFullExpression);
    platform::midiOutShortMsg(handle, kOrganOnChannel1);
    EXPECT_FALSE(state().audioRunning);

    platform::midiOutShortMsg(handle, kMiddleCOn);
    const auto resumed = state();
    EXPECT_TRUE(resumed.audioRunning);
    EXPECT_EQ(resumed.audioStarts, 2);
    EXPECT_GT(resumed.activeVoices, 0);
    EXPECT_GT(loudestOnceWritten(output), 100);
}

// Before any program a channel plays the first one, drums on channel 10, as after a reset.
TEST_F(IdleAudio, NotesBeforeAnyProgramAreHeard) {
    for (const uint32_t note : {kMiddleCOn, kSnareOnChannel10}) {
        st::useAudioDrivers({"file"}, output + std::to_string(note));
        platform::HMIDIOUT own = 0;
        ASSERT_EQ(platform::midiOutOpen(&own, 0, 1, 0, 0), platform::MMSYSERR_NOERROR);
        platform::midiOutShortMsg(own, note);
        EXPECT_GT(loudestOnceWritten(output + std::to_string(note)), 100) << std::hex << note;
        platform::midiOutClose(own);
    }
}

TEST_F(IdleAudio, StaysRunningWhileANoteSoundsAndPausesAfterReset) {
    platform::midiOutShortMsg(handle, kOrganOnChannel1);
    platform::midiOutShortMsg(handle, kMiddleCOn);
    // Many idle periods with the organ held: the output must keep running.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(state().audioRunning);
    EXPECT_EQ(state().audioStarts, 1);

    EXPECT_EQ(platform::midiOutReset(handle), platform::MMSYSERR_NOERROR);
    // Released by the reset: held, the organ would keep the output running.
    ASSERT_TRUE(paused());

    // Closing while a note sounds does not wait for it.
    platform::midiOutShortMsg(handle, kMiddleCOn);
    const auto start = Clock::now();
    EXPECT_EQ(platform::midiOutClose(handle), platform::MMSYSERR_NOERROR);
    handle = 0;
    EXPECT_LT(Clock::now() - start, 2s);
}

// Near the voice limit the library leaves some released voices unfinished for good. Those
// must not keep the output running: a release older than the limit counts as silence.
TEST_F(IdleAudio, ALongReleasePausesOnceTheLimitHasPassed) {
    platform::midiOutShortMsg(handle, kStringsOnChannel1);
    platform::midiOutShortMsg(handle, kMiddleCOn);
    std::this_thread::sleep_for(100ms);
    platform::midiOutShortMsg(handle, kMiddleCOff);
    ASSERT_TRUE(waitFor([this] { return !state().audioRunning; }, 1000ms));
    EXPECT_GT(state().activeVoices, 0) << "the release had not ended yet";
}

TEST_F(IdleAudio, AnOutputThatWillNotRestartKeepsTheDeviceUsable) {
    ASSERT_TRUE(paused());
    st::useAudioDrivers({"file"}, (dir / "missing-dir" / "out.raw").string());
    platform::midiOutShortMsg(handle, kMiddleCOn);
    EXPECT_FALSE(state().audioRunning);
    EXPECT_EQ(platform::midiOutReset(handle), platform::MMSYSERR_NOERROR);

    st::useAudioDrivers({"file"}, output);
    // A refused restart is retried after a pause of about a second, not on every note.
    std::this_thread::sleep_for(1500ms);
    platform::midiOutShortMsg(handle, kMiddleCOn);
    EXPECT_TRUE(state().audioRunning);
}

} // namespace

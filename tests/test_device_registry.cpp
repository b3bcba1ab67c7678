#include "app/Session.h"
#include "doubles/RecordingMidiOut.h"
#include "platform/MidiOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// Device 0 of a session: the program's own devices, unless the options ask for silence.
namespace {

TEST(DeviceRegistry, ASessionHoldsTheGivenDevicesUnlessTheOptionsAskForSilence) {
    app::StartOptions plain;
    app::StartOptions mute;
    mute.mute = true;
    app::StartOptions saver;
    saver.screensaver = app::StartOptions::Screensaver{};
    app::StartOptions saverWithSound = saver;
    saverWithSound.sound = true;
    const struct {
        const char* what;
        const app::StartOptions& options;
        bool given;               // the session is given the recorder as device 0
        platform::MMRESULT opens; // what an open of device 0 gives
        bool recorderHearsANote;  // a note sent through it reaches the recorder
    } cases[] = {
        {"no devices given", plain, false, platform::MIDIERR_NODEVICE, false},
        {"the devices given", plain, true, platform::MMSYSERR_NOERROR, true},
        {"--mute", mute, true, platform::MMSYSERR_NOERROR, false},
        {"a screensaver", saver, true, platform::MMSYSERR_NOERROR, false},
        {"a screensaver with --sound", saverWithSound, true, platform::MMSYSERR_NOERROR, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto recorder = std::make_shared<platform::MidiRecording>();
        app::SessionParts parts;
        if (c.given) {
            parts.devices = {platform::recordingDevice(recorder)};
        }
        app::Session session(c.options, std::move(parts));
        platform::HMIDIOUT handle = 0;
        ASSERT_EQ(platform::midiOutOpen(session.devices(), &handle, 0, 0, 0, 0), c.opens);
        if (handle != 0) {
            platform::midiOutShortMsg(session.devices(), handle, 0x7F3C90);
            platform::midiOutClose(session.devices(), handle);
        }
        EXPECT_EQ(recorder->shortMessages().size(), c.recorderHearsANote ? 1u : 0u);
    }
}

// A device whose open waits until its token is stopped, as an audio server that never
// answers would keep it, then takes a moment more to give up.
struct StuckOpen {
    std::atomic<bool> sawStop{false};
    std::atomic<bool> returned{false};

    platform::MidiOutFactory factory() {
        return [this](std::stop_token stop) {
            std::mutex m;
            std::condition_variable_any cv;
            std::unique_lock lock(m);
            cv.wait(lock, stop, [] { return false; });
            sawStop = stop.stop_requested();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            returned = true;
            return platform::MidiOpenResult{};
        };
    }
};

TEST(DeviceRegistry, AnOpenThatDoesNotAnswerIsStoppedAndJoinedBeforeTheRegistryGoes) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        std::function<void(platform::MidiOutRegistry&)> use;
    };
    const Case cases[] = {
        {"an open past its time limit",
         [](platform::MidiOutRegistry& r) {
             platform::HMIDIOUT handle = 0;
             EXPECT_EQ(r.open(&handle, 0), platform::ZELPHOR_ERR_NOANSWER);
             EXPECT_EQ(handle, 0u);
             EXPECT_NE(r.errorText(platform::ZELPHOR_ERR_NOANSWER).find("within 20 ms"),
                       std::string::npos);
         }},
        {"an open started ahead and never taken",
         [](platform::MidiOutRegistry& r) { r.openAhead(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StuckOpen stuck;
        {
            platform::MidiOutRegistry registry({stuck.factory()}, 20ms);
            c.use(registry);
        }
        EXPECT_TRUE(stuck.sawStop);
        EXPECT_TRUE(stuck.returned);
    }
}

// An open or a close stuck in a library call that ignores its token: neither holds up its
// caller for long, settling waits for it only as long as it is told and tells whether the
// worker has ended, and once it ends it is joined.
TEST(DeviceRegistry, SettlingWaitsForAStuckOpenOrCloseOnlyUpToItsLimit) {
    using namespace std::chrono_literals;
    struct StuckClose final : platform::MidiOutDevice {
        explicit StuckClose(std::atomic<bool>& r) : release(r) {}
        void shortMessage(uint32_t) override {}
        void reset() override {}
        void close() override {
            while (!release) {
                std::this_thread::sleep_for(1ms);
            }
        }
        std::atomic<bool>& release;
    };
    for (const bool stuckInClose : {false, true}) {
        SCOPED_TRACE(stuckInClose ? "close" : "open");
        std::atomic<bool> release{false};
        const platform::MidiOutFactory device = [&](std::stop_token) {
            platform::MidiOpenResult opened;
            if (stuckInClose) {
                opened.device = std::make_unique<StuckClose>(release);
                return opened;
            }
            while (!release) {
                std::this_thread::sleep_for(1ms);
            }
            return opened;
        };
        platform::MidiOutRegistry registry({device}, 20ms);
        const auto start = std::chrono::steady_clock::now();
        if (stuckInClose) {
            platform::HMIDIOUT handle = 0;
            ASSERT_EQ(registry.open(&handle, 0), platform::MMSYSERR_NOERROR);
            EXPECT_EQ(registry.close(handle), platform::MMSYSERR_NOERROR);
            EXPECT_EQ(registry.close(handle), platform::MMSYSERR_INVALHANDLE);
        } else {
            registry.openAhead(0);
        }
        EXPECT_FALSE(registry.settle(50ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        release = true;
        EXPECT_TRUE(registry.settle(5s));
    }
}

} // namespace

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

// Device 0 is what start-up registers; devices put in its place before (--mute) stay in force.
// The list is process-wide: this file's test starts from a process that registered nothing.
namespace {

struct Step {
    const char* what;
    std::function<void()> action;
    platform::MMRESULT opens; // what an open of device 0 gives afterwards
    bool recorderHearsANote;  // a note sent through it reaches the registered recorder
};

TEST(DeviceRegistry, NothingBeforeStartUpRegistersAndAReplacementMadeBeforeStaysInForce) {
    auto registered = std::make_shared<platform::MidiRecording>();
    std::unique_ptr<app::Session> muted;
    app::StartOptions mute;
    mute.mute = true;
    const Step steps[] = {
        {"nothing registered yet", [] {}, platform::MIDIERR_NODEVICE, false},
        {"--mute before start-up", [&] { muted = std::make_unique<app::Session>(mute, nullptr); },
         platform::MMSYSERR_NOERROR, false},
        {"start-up registers the recorder while muted",
         [&] { platform::registerMidiOutDevices({platform::recordingDevice(registered)}); },
         platform::MMSYSERR_NOERROR, false},
        {"the muted session ends", [&] { muted.reset(); }, platform::MMSYSERR_NOERROR, true},
        {"a replacement fails",
         [] {
             platform::setMidiOutDevices({platform::failingDevice(platform::ZELPHOR_ERR_SYNTH)});
         },
         platform::ZELPHOR_ERR_SYNTH, false},
        {"and is undone", [] { platform::restoreDefaultMidiOutDevices(); },
         platform::MMSYSERR_NOERROR, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.action();
        registered->clear();
        platform::HMIDIOUT handle = 0;
        ASSERT_EQ(platform::midiOutOpen(&handle, 0, 0, 0, 0), step.opens);
        if (handle != 0) {
            platform::midiOutShortMsg(handle, 0x7F3C90);
            platform::midiOutClose(handle);
        }
        EXPECT_EQ(registered->shortMessages().size(), step.recorderHearsANote ? 1u : 0u);
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
        {"an open ahead dropped with its device list",
         [](platform::MidiOutRegistry& r) {
             r.openAhead(0);
             r.replaceDevices({platform::failingDevice(platform::ZELPHOR_ERR_SYNTH)});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StuckOpen stuck;
        {
            platform::MidiOutRegistry registry(20ms);
            registry.registerDevices({stuck.factory()});
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
        platform::MidiOutRegistry registry(20ms);
        registry.registerDevices({[&](std::stop_token) {
            platform::MidiOpenResult opened;
            if (stuckInClose) {
                opened.device = std::make_unique<StuckClose>(release);
                return opened;
            }
            while (!release) {
                std::this_thread::sleep_for(1ms);
            }
            return opened;
        }});
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

#include "app/Session.h"
#include "doubles/RecordingMidiOut.h"
#include "platform/MidiOut.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

} // namespace

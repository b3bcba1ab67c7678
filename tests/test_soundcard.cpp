#include "music/PemSoundsModule.h"
#include "music/SoundCard.h"
#include "platform/MidiOut.h"
#include "platform/RecordingMidiOut.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testing_support::CapturedMessageBoxes;

// Device 0 records, and counts how often it is opened.
class CountingRecorder {
public:
    CountingRecorder() {
        auto opens = opens_;
        auto record = platform::recordingDevice(log_);
        platform::setMidiOutDevices({[opens, record]() {
            ++*opens;
            return record();
        }});
        PemSoundsModule::MidiOutHandle = 0;
    }
    ~CountingRecorder() {
        platform::midiOutClose(PemSoundsModule::MidiOutHandle);
        PemSoundsModule::MidiOutHandle = 0;
        platform::restoreDefaultMidiOutDevices();
    }
    int opens() const { return *opens_; }
    platform::MidiRecording& log() { return *log_; }

private:
    std::shared_ptr<int> opens_ = std::make_shared<int>(0);
    std::shared_ptr<platform::MidiRecording> log_ = std::make_shared<platform::MidiRecording>();
};

TEST(SoundCard, FailedOpenShowsOneBoxAndStaysClosed) {
    const platform::MMRESULT codes[] = {platform::MIDIERR_NODEVICE, platform::MMSYSERR_ALLOCATED,
                                        platform::ZELPHOR_ERR_NOAUDIO};
    for (platform::MMRESULT code : codes) {
        platform::setMidiOutDevices({platform::failingDevice(code, "no sound here")});
        PemSoundsModule::MidiOutHandle = 0;
        CapturedMessageBoxes boxes;
        SoundCard card;
        int16_t device = 0;
        card.OpenCard(device);
        EXPECT_FALSE(card.Opened()) << code;
        EXPECT_EQ(card.HandleForMidiOut(), 0u) << code;
        EXPECT_EQ(card.DeviceID(), 0) << code;
        ASSERT_EQ(boxes.texts.size(), 1) << code;
        const QStringList lines = boxes.texts.front().split('\n');
        EXPECT_EQ(lines.front(), "midiOUT_Open") << code;
        ASSERT_GE(lines.size(), 2) << code;
        EXPECT_FALSE(lines.at(1).trimmed().isEmpty()) << code;
    }
    platform::restoreDefaultMidiOutDevices();
}

TEST(SoundCard, OpenWithANumberBeyondTheDevicesFails) {
    CountingRecorder midi;
    CapturedMessageBoxes boxes;
    SoundCard card;
    int16_t device = 3;
    card.OpenCard(device);
    EXPECT_FALSE(card.Opened());
    EXPECT_EQ(card.DeviceID(), 3);
    EXPECT_EQ(card.HandleForMidiOut(), 0u);
    EXPECT_EQ(midi.opens(), 0);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts.front().startsWith("midiOUT_Open\n"));
}

TEST(SoundCard, FailedOpenLeavesLaterNotesSilentAndQuiet) {
    platform::setMidiOutDevices({platform::failingDevice(platform::MIDIERR_NODEVICE)});
    CapturedMessageBoxes boxes;
    SoundCard card;
    int16_t device = 0;
    card.OpenCard(device);
    int32_t note = 60;
    int32_t channel = 1;
    int32_t velocity = 127;
    PemSoundsModule::SendNoteOn(note, channel, velocity);
    card.MidiReset();
    card.CloseCard();
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_FALSE(card.Opened());
    platform::restoreDefaultMidiOutDevices();
}

TEST(SoundCard, SecondOpenOnlyChangesTheDeviceNumber) {
    CountingRecorder midi;
    CapturedMessageBoxes boxes;
    SoundCard card;
    int16_t device = 0;
    card.OpenCard(device);
    ASSERT_TRUE(card.Opened());
    const uint32_t handle = card.HandleForMidiOut();
    EXPECT_NE(handle, 0u);

    int16_t other = 5;
    card.OpenCard(other);
    EXPECT_EQ(card.DeviceID(), 5);
    EXPECT_TRUE(card.Opened());
    EXPECT_EQ(card.HandleForMidiOut(), handle);
    EXPECT_EQ(midi.opens(), 1);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(platform::midiOutShortMsg(handle, 0x007F3C90u), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(midi.log().shortMessages(), std::vector<uint32_t>{0x007F3C90u});
}

TEST(SoundCard, CloseOfACardNeverOpenedTouchesNoDevice) {
    CountingRecorder midi;
    CapturedMessageBoxes boxes;
    // Some other handle is open, but the module's handle is still 0.
    platform::HMIDIOUT elsewhere = 0;
    ASSERT_EQ(platform::midiOutOpen(&elsewhere, 0, 1, 0, 0), platform::MMSYSERR_NOERROR);
    SoundCard card;
    card.CloseCard();
    EXPECT_FALSE(card.Opened());
    EXPECT_EQ(card.HandleForMidiOut(), 0u);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(midi.log().closes(), 0u);
    EXPECT_NE(platform::midiOutDeviceFor(elsewhere), nullptr);
    platform::midiOutClose(elsewhere);
}

TEST(SoundCard, CloseThenReopen) {
    CountingRecorder midi;
    SoundCard card;
    int16_t device = 0;
    card.OpenCard(device);
    const uint32_t first = card.HandleForMidiOut();
    card.CloseCard();
    EXPECT_FALSE(card.Opened());
    EXPECT_EQ(midi.log().closes(), 1u);
    // The handle keeps its value but no longer reaches a device.
    EXPECT_EQ(card.HandleForMidiOut(), first);
    EXPECT_EQ(platform::midiOutDeviceFor(first), nullptr);

    card.CloseCard();
    EXPECT_EQ(midi.log().closes(), 1u);

    card.OpenCard(device);
    EXPECT_TRUE(card.Opened());
    EXPECT_EQ(midi.opens(), 2);
    EXPECT_NE(card.HandleForMidiOut(), 0u);
    EXPECT_NE(platform::midiOutDeviceFor(card.HandleForMidiOut()), nullptr);
}

TEST(SoundCard, ResetReachesTheDeviceAndSilencesIt) {
    testing_support::OpenRecorder midi;
    ASSERT_TRUE(midi.card.Opened());
    int32_t channel = 1;
    int32_t velocity = 127;
    for (int32_t note : {60, 64, 67}) {
        PemSoundsModule::SendNoteOn(note, channel, velocity);
    }
    EXPECT_EQ(midi.log().soundingNotes().size(), 3u);
    midi.card.MidiReset();
    EXPECT_EQ(midi.log().resets(), 1u);
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    EXPECT_TRUE(midi.card.Opened());
}

TEST(SoundCard, ResetOfAClosedCardIsHarmless) {
    CountingRecorder midi;
    CapturedMessageBoxes boxes;
    SoundCard card;
    card.MidiReset();
    EXPECT_FALSE(card.Opened());
    EXPECT_EQ(midi.log().resets(), 0u);
    EXPECT_TRUE(boxes.texts.isEmpty());
}

} // namespace

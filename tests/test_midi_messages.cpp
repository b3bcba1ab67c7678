#include "music/PemSoundsModule.h"
#include "platform/MidiOut.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct PackCase {
    const char* what;
    uint32_t packed;
    uint32_t expected;
};

TEST(MidiPacking, StatusPlusDataBytes) {
    using namespace PemSoundsModule;
    const PackCase cases[] = {
        {"note 60 velocity 127 channel 1", PackNoteOn(60, 1, 127), 0x007F3C90u},
        {"note 60 velocity 0 ends it", PackNoteOn(60, 1, 0), 0x00003C90u},
        {"note 0 velocity 0 channel 16", PackNoteOn(0, 16, 0), 0x0000009Fu},
        {"note 127 velocity 127 channel 16", PackNoteOn(127, 16, 127), 0x007F7F9Fu},
        {"program 55 channel 1", PackProgramChange(55, 1), 0x000037C0u},
        {"program 0 channel 1", PackProgramChange(0, 1), 0x000000C0u},
        {"program 79 channel 10", PackProgramChange(79, 10), 0x00004FC9u},
        {"controller 11 value 101 channel 1", PackControlChange(11, 1, 101), 0x00650BB0u},
        {"controller 11 value 0 channel 1", PackControlChange(11, 1, 0), 0x00000BB0u},
        {"controller 64 value 127 channel 16", PackControlChange(64, 16, 127), 0x007F40BFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.packed, c.expected) << c.what;
    }
}

TEST(MidiPacking, SendersReachTheOpenDevice) {
    testing_support::OpenRecorder midi;
    int32_t note = 60;
    int32_t channel = 1;
    int32_t velocity = 127;
    int32_t program = 55;
    uint8_t controller = 11;
    int32_t value = 101;
    PemSoundsModule::SendProgramChange(program, channel);
    PemSoundsModule::SendNoteOn(note, channel, velocity);
    PemSoundsModule::SendControlChange(controller, channel, value);
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x000037C0u, 0x007F3C90u, 0x00650BB0u}));
}

TEST(MidiDevice, CallsOnAHandleNotOpenAreRejectedAndIgnored) {
    testing_support::RecordedMidi midi;
    PemSoundsModule::MidiOutHandle = 0;
    EXPECT_EQ(platform::midiOutShortMsg(0, 0x007F3C90u), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutReset(0), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutClose(0), platform::MMSYSERR_INVALHANDLE);

    // A closed handle is as dead as one never opened.
    platform::HMIDIOUT handle = 0;
    ASSERT_EQ(platform::midiOutOpen(&handle, 0, 1, 0, 0), platform::MMSYSERR_NOERROR);
    ASSERT_NE(handle, 0u);
    ASSERT_EQ(platform::midiOutClose(handle), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(platform::midiOutShortMsg(handle, 0x007F3C90u), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutReset(handle), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(platform::midiOutClose(handle), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(midi.log().closes(), 1u);

    // The program's own senders go on quietly and reach nothing.
    testing_support::CapturedMessageBoxes boxes;
    int32_t note = 60;
    int32_t channel = 1;
    int32_t velocity = 127;
    PemSoundsModule::SendNoteOn(note, channel, velocity);
    EXPECT_TRUE(midi.log().shortMessages().empty());
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST(MidiDevice, OpenWithABadNumberFails) {
    testing_support::RecordedMidi midi;
    for (int32_t id : {1, -1, 32767}) {
        platform::HMIDIOUT handle = 99;
        EXPECT_EQ(platform::midiOutOpen(&handle, id, 1, 0, 0), platform::MMSYSERR_BADDEVICEID)
            << id;
        EXPECT_EQ(handle, 0u) << id;
    }
    platform::setMidiOutDevices({});
    platform::HMIDIOUT handle = 99;
    EXPECT_EQ(platform::midiOutOpen(&handle, 0, 1, 0, 0), platform::MIDIERR_NODEVICE);
    EXPECT_EQ(handle, 0u);
}

std::string outText(platform::MMRESULT code) {
    char text[256] = {};
    platform::midiOutGetErrorTextA(code, text, 255);
    return text;
}

std::string inText(platform::MMRESULT code) {
    char text[256] = {};
    platform::midiInGetErrorTextA(code, text, 255);
    return text;
}

TEST(MidiErrorBox, LocationPicksOutputOrInputTexts) {
    const platform::MMRESULT code = platform::MMSYSERR_ALLOCATED;
    ASSERT_NE(outText(code), inText(code));
    struct Case {
        const char* location;
        bool output;
    };
    const Case cases[] = {
        {"midiOUT_Open", true}, {"midiOutOpen", true}, {"OuTput", true}, {"timeout", true},
        {"midiIn_Open", false}, {"midiOpen", false},   {"o-u-t", false}, {"", false},
    };
    for (const auto& c : cases) {
        const QString expected = QString::fromLatin1(c.location) + "\r\n" +
                                 QString::fromStdString(c.output ? outText(code) : inText(code)) +
                                 "\r\n";
        EXPECT_EQ(PemSoundsModule::MidiErrorMessage(c.location, code), expected) << c.location;
    }
}

TEST(MidiErrorBox, ShownOnceWithLineBreaks) {
    testing_support::CapturedMessageBoxes boxes;
    PemSoundsModule::ShowMidiError("midiOUT_Open", platform::MMSYSERR_BADDEVICEID);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts.front(),
              "midiOUT_Open\n" + QString::fromStdString(outText(platform::MMSYSERR_BADDEVICEID)) +
                  "\n");
    EXPECT_FALSE(boxes.texts.front().contains('\r'));
    EXPECT_FALSE(boxes.texts.front().contains(QChar(0)));
}

TEST(MidiErrorBox, FailedOpenTellsWhy) {
    testing_support::RecordedMidi midi;
    platform::setMidiOutDevices(
        {platform::failingDevice(platform::ZELPHOR_ERR_NOSOUNDFONT, "looked in /nowhere")});
    platform::HMIDIOUT handle = 0;
    EXPECT_EQ(platform::midiOutOpen(&handle, 0, 1, 0, 0), platform::ZELPHOR_ERR_NOSOUNDFONT);
    EXPECT_EQ(handle, 0u);
    EXPECT_NE(outText(platform::ZELPHOR_ERR_NOSOUNDFONT).find("looked in /nowhere"),
              std::string::npos);
}

TEST(MidiErrorText, TruncatedToTheBufferAndTerminated) {
    const std::string full = outText(platform::MMSYSERR_BADDEVICEID);
    ASSERT_GT(full.size(), 4u);
    char text[8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(platform::midiOutGetErrorTextA(platform::MMSYSERR_BADDEVICEID, text, 5),
              platform::MMSYSERR_NOERROR);
    EXPECT_EQ(std::string(text), full.substr(0, 4));
    EXPECT_EQ(text[5], 'x');
    EXPECT_EQ(platform::midiOutGetErrorTextA(platform::MMSYSERR_BADDEVICEID, text, 0),
              platform::MMSYSERR_INVALPARAM);
    EXPECT_EQ(platform::midiInGetErrorTextA(platform::MMSYSERR_BADDEVICEID, nullptr, 5),
              platform::MMSYSERR_INVALPARAM);
}

} // namespace

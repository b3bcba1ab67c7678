#include "music/FormState.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/SoundCard.h"
#include "music/Tone.h"
#include "music/Tunes.h"
#include "platform/MidiOut.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

using namespace testing_support;
using Messages = std::vector<uint32_t>;

enum Rejection { TooLongOrShort, WrongNoteLetter, WrongOctave, WrongSharpFlat, AboveMax };

std::vector<Rejection> rejections(Tone& tone, const QString& text) {
    std::vector<Rejection> seen;
    const std::array emitted = {&Tone::PitchTooLongOrShort, &Tone::PitchWrongNoteLetter,
                                &Tone::PitchWrongOctave, &Tone::PitchWrongSharpFlat,
                                &Tone::PitchAboveMax};
    for (std::size_t i = 0; i < emitted.size(); ++i) {
        QObject::connect(&tone, emitted[i], [&seen, i] { seen.push_back(Rejection(i)); });
    }
    tone.setPitch(text);
    QObject::disconnect(&tone, nullptr, nullptr, nullptr);
    return seen;
}

TEST(TonePitch, TextsGiveCanonicalSpellingsAndNumbers) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"c4", 60, "C4"},  {"db4", 61, "C#4"}, {"D#4", 63, "Eb4"}, {"E#4", 65, "F4"},
        {"Fb4", 64, "E4"}, {"Cb4", 59, "B3"},  {"B#4", 72, "C5"},  {"Cb0", 11, "B-1"},
        {"a0", 21, "A0"},  {"B#8", 120, "C9"}, {"g9", 127, "G9"},  {"G#5", 80, "Ab5"},
    };
    RecordedMidi midi;
    for (const auto& [text, number, canonical] : cases) {
        Tone tone(midi.link);
        EXPECT_TRUE(rejections(tone, text).empty()) << text;
        // Reading the number sends nothing and changes nothing the next note is sent with.
        midi.link.CurrentNoteNumber = -1;
        EXPECT_EQ(tone.Number(), number) << text;
        EXPECT_EQ(midi.link.CurrentNoteNumber, -1) << text;
        EXPECT_EQ(tone.PitchText(), canonical) << text;
    }
}

TEST(TonePitch, BadTextsAreRejectedOnceAndChangeNothing) {
    const std::pair<const char*, Rejection> cases[] = {
        {"H4", WrongNoteLetter},  {"#C4", WrongNoteLetter}, {"", TooLongOrShort},
        {"C#10", TooLongOrShort}, {"C4 ", WrongOctave},     {"C#", WrongOctave},
        {"CB4", WrongSharpFlat},  {"B-1", WrongSharpFlat},  {"A9", AboveMax},
        {"G#9", AboveMax},        {"b#9", AboveMax},
    };
    RecordedMidi midi;
    for (const auto& [text, expected] : cases) {
        Tone tone(midi.link);
        tone.setPitch("F#3");
        EXPECT_EQ(rejections(tone, text), std::vector<Rejection>{expected}) << text;
        EXPECT_EQ(tone.PitchText(), "F#3") << text;
        EXPECT_EQ(tone.Number(), 54) << text;
    }
}

TEST(SoundCard, OpensOnceClosesAlwaysAndReportsAFailedOpen) {
    using platform::MidiOpenResult;
    struct Case {
        bool deviceWorks;
        std::vector<int16_t> opens; // OpenCard arguments, in order
        bool closeFirst;
        int platformOpens;
        bool opened;
        int16_t deviceId;
        QStringList boxes;
    };
    // What the box starts with: the location and the platform's text, each on a line of its
    // own (advice on what to check follows).
    const QString failed = "midiOUT_Open\nThe MIDI output device is already in use\n";
    const Case cases[] = {
        {true, {0}, false, 1, true, 0, {}},
        {true, {0, 3}, false, 1, true, 3, {}}, // open already: only the number changes
        {true, {}, true, 0, false, 0, {}},     // closing a card never opened says nothing
        {false, {0}, false, 1, false, 0, {failed}},
        {false, {0, 0}, false, 2, false, 0, {failed, failed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceWorks << " " << c.opens.size());
        auto log = std::make_shared<platform::MidiRecording>();
        int platformOpens = 0;
        RecordedMidi midi({{[&](std::stop_token stop) {
            ++platformOpens;
            return c.deviceWorks ? platform::recordingDevice(log)(stop)
                                 : platform::failingDevice(platform::MMSYSERR_ALLOCATED)(stop);
        }}});
        const CapturedMessageBoxes& boxes = midi.boxes;
        midi.link.MidiOutHandle = 77; // an open, even a failed one, replaces it
        SoundCard card(midi.link);
        if (c.closeFirst) {
            card.CloseCard();
        }
        for (int16_t id : c.opens) {
            card.OpenCard(id);
        }
        EXPECT_EQ(platformOpens, c.platformOpens);
        EXPECT_EQ(card.Opened(), c.opened);
        EXPECT_EQ(card.DeviceID(), c.deviceId);
        EXPECT_EQ(card.HandleForMidiOut() != 0, c.opened || c.opens.empty());
        ASSERT_EQ(boxes.texts.size(), c.boxes.size());
        for (qsizetype i = 0; i < boxes.texts.size(); ++i) {
            EXPECT_TRUE(boxes.texts[i].startsWith(c.boxes[i])) << boxes.texts[i].toStdString();
        }
        card.CloseCard();
        EXPECT_FALSE(card.Opened());
    }
}

TEST(MidiErrorMessage, TheLocationChoosesOutputOrInputTextsAndTheBufferCutsLongOnes) {
    const std::pair<const char*, const char*> cases[] = {
        {"midiOUT_Open", "The MIDI output device number is out of range"},
        {"Output", "The MIDI output device number is out of range"},
        {"midiIN_Open", "The MIDI input device number is out of range"},
        {"Open", "The MIDI input device number is out of range"},
    };
    const auto code = platform::ZELPHOR_ERR_NOSOUNDFONT;
    RecordedMidi midi(
        {{platform::failingDevice(code, "looked in /nowhere" + std::string(600, 'x'))}});
    for (const auto& [location, text] : cases) {
        EXPECT_EQ(
            PemSoundsModule::MidiErrorMessage(midi.link, location, platform::MMSYSERR_BADDEVICEID),
            QString(location) + "\r\n" + text + "\r\n");
    }
    platform::HMIDIOUT handle = 7;
    EXPECT_EQ(platform::midiOutOpen(midi.devices, &handle, 0, 1, 0, 0), code);
    const QStringList lines =
        PemSoundsModule::MidiErrorMessage(midi.link, "midiOUT_Open", code).split("\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains("looked in /nowhere"));
    EXPECT_EQ(lines[1].size(), 254);
}

std::vector<int> numbers(const char* text) {
    std::vector<int> notes;
    for (const QString& n : QString(text).split(' ')) {
        notes.push_back(n.toInt());
    }
    return notes;
}

std::vector<int> range(int first, int last, int step) {
    std::vector<int> notes;
    for (int n = first; n <= last; n += step) {
        notes.push_back(n);
    }
    return notes;
}

// A fresh load, the option chosen, the tune position set.
struct Player {
    OpenRecorder midi;
    FormState s;
    platform::ClockSeededRandom random;
    explicit Player(int option, int16_t index = 0) {
        s.Output = &midi.link;
        Tunes::LoadFirstTune(s, random);
        Tunes::LoadTune(s, option, random);
        s.TuneIndex = index;
        midi.log().clear();
    }
    std::vector<int> play(const std::vector<float>& directions) {
        for (float dx : directions) {
            s.DX1 = dx;
            PlayNote(s);
        }
        return playedNotes(midi.log());
    }
};

TEST(Tunes, EachOptionPlaysItsListNoteByNoteAndStartsAgainAfterTheEnd) {
    const std::vector<int> lists[] = {
        range(12, 120, 1),
        numbers("60 62 64 65 67 69 71 72 74 76 77 79 81 83 84 86 88 89 91 93 95 96"),
        numbers("60 62 63 65 67 68 71 72 74 75 77 79 80 83 84 86 87 89 91 92 95 96"),
        numbers("60 62 64 67 69 72 74 76 79 81 84 86 88 91 93 96"),
        range(12, 120, 2),
        numbers("60 62 64 60 60 62 64 60 64 65 67 67 64 65 67 67 67 69 67 65 64 60 67 69 67 65 "
                "64 60 60 55 60 60 60 55 60"),
        numbers("60 60 60 65 64 67 64 60 55 55 55 60 59 62 59 55 60 60 60 65 64 67 64 60 62 65 "
                "62 59 60 60 60 60"),
        numbers("60 60 60 60 60 64 67 67 69 65 62 60 59 62 55 55 60 60 60 60 60 64 67 67 69 65 "
                "62 59 60 60 60 60"),
        numbers("69 64 73 69 71 64 74 71 73 69 76 73 71 76 68 71 69 64 73 69 71 64 74 71 73 69 "
                "76 73 71 76 68 71"),
    };
    for (int option = 0; option < 9; ++option) {
        std::vector<int> twice = lists[option];
        twice.insert(twice.end(), lists[option].begin(), lists[option].begin() + 2);
        EXPECT_EQ(Player(option).play(std::vector<float>(twice.size(), 1.0f)), twice)
            << Tunes::OptionCaptions().at(option).toStdString();
    }
}

TEST(PlayNote, WalksByTheSignOfDX1AndWrapsAtBothEnds) {
    struct Case {
        int option;
        int16_t index;
        std::vector<float> directions; // DX1 for each call
        std::vector<int> notes;
        int16_t indexAfter;
    };
    const Case cases[] = {
        {0, 0, {10.24f}, {12}, 1},
        {0, 0, {0, 0}, {12, 120}, 107}, // 0 walks backwards: -1 wraps to the last index
        {0, 0, {-1, -1}, {12, 120}, 107},
        {1, 21, {1, 1}, {96, 60}, 1},
        {1, 0, {1, 1, 1, -1, -1}, {60, 62, 64, 65, 64}, 1},
        {3, 50, {1}, {60}, 1},   // beyond the end of a shorter list: its first note
        {3, -4, {-1}, {96}, 14}, // below 0: its last
    };
    for (const Case& c : cases) {
        Player p(c.option, c.index);
        EXPECT_EQ(p.play(c.directions), c.notes) << c.option << " from " << c.index;
        EXPECT_EQ(p.s.TuneIndex, c.indexAfter) << c.option << " from " << c.index;
    }
}

TEST(Tunes, SwitchEndsTheOldTonesNoteBeforeReplacingIt) {
    platform::ScriptedRandom instruments({0.1f, 0.5f}); // 8 for the first tone, 40 for the next
    OpenRecorder midi;
    FormState s;
    s.Output = &midi.link;
    Tunes::LoadFirstTune(s, instruments);
    s.DX1 = 1;
    s.TuneIndex = 50;
    PlayNote(s);
    midi.log().clear();
    Tunes::LoadTune(s, 3, instruments);
    EXPECT_EQ(midi.log().shortMessages(), (Messages{0x08C0u, 0x3E90u}));
    // The fresh tone still ends its own middle C before sounding.
    midi.log().clear();
    PlayNote(s);
    EXPECT_EQ(midi.log().shortMessages(), (Messages{0x28C0u, 0x3C90u, 0x28C0u, 0x7F3C90u}));
}

} // namespace

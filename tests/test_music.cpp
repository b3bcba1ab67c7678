#include "app/FormState.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/Tone.h"
#include "music/Tunes.h"
#include "platform/FluidSynthOut.h"
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

TEST(MidiErrorMessage, LongDetailIsCutToTheBufferItIsReadInto) {
    RecordedMidi midi;
    const auto code = platform::ZELPHOR_ERR_NOSOUNDFONT;
    platform::setMidiOutDevices(
        {platform::failingDevice(code, "looked in /nowhere" + std::string(600, 'x'))});
    platform::HMIDIOUT handle = 7;
    EXPECT_EQ(platform::midiOutOpen(&handle, 0, 1, 0, 0), code);
    const QStringList lines = PemSoundsModule::MidiErrorMessage("midiOUT_Open", code).split("\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains("looked in /nowhere"));
    EXPECT_EQ(lines[1].size(), 254);
}

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
    for (const auto& [text, number, canonical] : cases) {
        Tone tone;
        EXPECT_TRUE(rejections(tone, text).empty()) << text;
        EXPECT_EQ(tone.Number(), number) << text;
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
    for (const auto& [text, expected] : cases) {
        Tone tone;
        tone.setPitch("F#3");
        EXPECT_EQ(rejections(tone, text), std::vector<Rejection>{expected}) << text;
        EXPECT_EQ(tone.PitchText(), "F#3") << text;
        EXPECT_EQ(tone.Number(), 54) << text;
    }
}

TEST(TonePitch, EnharmonicSpellingWhenAskedFor) {
    const char* const cases[][3] = {{"C4", "#", "B#3"},
                                    {"C0", "#", "B#-1"},
                                    {"C#4", "b", "Db4"},
                                    {"B4", "b", "Cb5"},
                                    {"D4", "#", "D4"}};
    for (const auto& c : cases) {
        Tone tone;
        tone.setPitch(c[0]);
        tone.setEnHarmonic(c[1]);
        EXPECT_EQ(tone.EnharmonicName(), c[2]) << c[0] << " " << c[1];
    }
}

// Bar, beat, tick, beats per bar, beat length; then the start in ticks.
using Position = std::array<int, 6>;

std::array<int, 3> barBeatTick(Tone& tone, const Position& p, bool write) {
    tone.setBar(int16_t(p[0]));
    tone.setBeat(int16_t(p[1]));
    tone.setTick(int16_t(p[2]));
    tone.setBeatsPerBar(int16_t(p[3]));
    tone.setBeatLength(uint8_t(p[4]));
    if (write) {
        tone.setStart(p[5]);
    }
    return {tone.Bar(), tone.Beat(), tone.Tick()};
}

TEST(ToneStart, ReadsAndWritesTicks) {
    const Position cases[] = {{3, 2, 5, 4, 4, 1085},
                              {209, 2, 40, 4, 4, 100000},
                              {2, 3, 7, 3, 8, 307},
                              {1, 1, 0, 4, 4, 0}};
    for (const Position& p : cases) {
        Tone tone;
        barBeatTick(tone, p, false);
        EXPECT_EQ(tone.Start(), p[5]) << p[5];
        EXPECT_EQ(barBeatTick(tone, {9, 9, 9, p[3], p[4], p[5]}, true),
                  (std::array<int, 3>{p[0], p[1], p[2]}))
            << p[5];
    }
    // Without a sensible metre, or before the start, writing changes nothing.
    for (const Position& p : {Position{7, 2, 9, 4, 0, 1000}, Position{7, 2, 9, 0, 4, 1000},
                              Position{7, 2, 9, -3, 4, 1000}, Position{7, 2, 9, 4, 4, -1}}) {
        Tone tone;
        EXPECT_EQ(barBeatTick(tone, p, true), (std::array<int, 3>{7, 2, 9})) << p[3] << "/" << p[4];
    }
}

TEST(Tunes, SwitchEndsTheOldTonesNoteBeforeReplacingIt) {
    ScriptedNumbers instruments({0.1f, 0.5f}); // 8 for the first tone, 40 for the next
    OpenRecorder midi;
    FormState s;
    Tunes::BuildNoteLists(s);
    s.DX1 = 1;
    s.TuneIndex = 50;
    PlayNote(s);
    midi.log().clear();
    Tunes::LoadTune(s, 3);
    EXPECT_EQ(midi.log().shortMessages(), (Messages{0x08C0u, 0x3E90u}));
    // The fresh tone still ends its own middle C before sounding.
    midi.log().clear();
    PlayNote(s);
    EXPECT_EQ(midi.log().shortMessages(), (Messages{0x28C0u, 0x3C90u, 0x28C0u, 0x7F3C90u}));
}

} // namespace

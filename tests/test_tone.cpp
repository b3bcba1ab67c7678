#include "music/PemSoundsModule.h"
#include "music/Tone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

enum Rejection { None, TooLongOrShort, WrongNoteLetter, WrongOctave, WrongSharpFlat, AboveMax };

// Records which of the five rejection signals a tone emits.
struct RejectionLog {
    explicit RejectionLog(Tone& tone) {
        QObject::connect(&tone, &Tone::PitchTooLongOrShort,
                         [this] { seen.push_back(TooLongOrShort); });
        QObject::connect(&tone, &Tone::PitchWrongNoteLetter,
                         [this] { seen.push_back(WrongNoteLetter); });
        QObject::connect(&tone, &Tone::PitchWrongOctave, [this] { seen.push_back(WrongOctave); });
        QObject::connect(&tone, &Tone::PitchWrongSharpFlat,
                         [this] { seen.push_back(WrongSharpFlat); });
        QObject::connect(&tone, &Tone::PitchAboveMax, [this] { seen.push_back(AboveMax); });
    }
    std::vector<Rejection> seen;
};

TEST(TonePitch, TextsGiveCanonicalNamesAndNumbers) {
    struct Case {
        const char* text;
        const char* noteName;
        int octave;
        int number;
        const char* pitchText;
    };
    const Case cases[] = {
        {"C4", "C ", 4, 60, "C4"},    {"c4", "C ", 4, 60, "C4"},    {"A4", "A ", 4, 69, "A4"},
        {"Db4", "C#", 4, 61, "C#4"},  {"db4", "C#", 4, 61, "C#4"},  {"c#4", "C#", 4, 61, "C#4"},
        {"D#4", "Eb", 4, 63, "Eb4"},  {"Gb4", "F#", 4, 66, "F#4"},  {"G#4", "Ab", 4, 68, "Ab4"},
        {"A#4", "Bb", 4, 70, "Bb4"},  {"bb3", "Bb", 3, 58, "Bb3"},  {"E#4", "F ", 4, 65, "F4"},
        {"Fb4", "E ", 4, 64, "E4"},   {"Cb4", "B ", 3, 59, "B3"},   {"B#4", "C ", 5, 72, "C5"},
        {"C0", "C ", 0, 12, "C0"},    {"Cb0", "B ", -1, 11, "B-1"}, {"B#8", "C ", 9, 120, "C9"},
        {"G9", "G ", 9, 127, "G9"},   {"g9", "G ", 9, 127, "G9"},   {"Cb9", "B ", 8, 119, "B8"},
        {"F#9", "F#", 9, 126, "F#9"},
    };
    for (const auto& c : cases) {
        Tone tone;
        RejectionLog log(tone);
        PemSoundsModule::CurrentNoteNumber = -1;
        tone.setPitch(c.text);
        EXPECT_TRUE(log.seen.empty()) << c.text;
        EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, c.number) << c.text;
        EXPECT_EQ(tone.NoteName(), c.noteName) << c.text;
        EXPECT_EQ(tone.Octave(), c.octave) << c.text;
        EXPECT_EQ(tone.PitchText(), c.pitchText) << c.text;
        EXPECT_EQ(tone.Pitch(), c.pitchText) << c.text;
        EXPECT_EQ(tone.Number(), c.number) << c.text;
    }
}

TEST(TonePitch, NewToneIsMiddleC) {
    Tone tone;
    EXPECT_EQ(tone.PitchText(), "C4");
    EXPECT_EQ(tone.NoteName(), "C ");
    EXPECT_EQ(tone.Octave(), 4);
    EXPECT_EQ(tone.Number(), 60);
    EXPECT_EQ(tone.Volume(), 127);
    EXPECT_EQ(tone.Channel(), 1);
    EXPECT_EQ(tone.EventType(), 128);
}

TEST(TonePitch, BadTextsAreRejectedAndChangeNothing) {
    struct Case {
        const char* text;
        Rejection expected;
    };
    const Case cases[] = {
        {"H4", WrongNoteLetter},  {"h4", WrongNoteLetter},  {"14", WrongNoteLetter},
        {"#C4", WrongNoteLetter}, {"C", TooLongOrShort},    {"", TooLongOrShort},
        {"C#10", TooLongOrShort}, {"Cb10", TooLongOrShort}, {"C4 ", WrongOctave},
        {"CX", WrongOctave},      {"C#X", WrongOctave},     {"C#", WrongOctave},
        {"CB4", WrongSharpFlat},  {"Cx4", WrongSharpFlat},  {"C 4", WrongSharpFlat},
        {"A9", AboveMax},         {"a9", AboveMax},         {"G#9", AboveMax},
        {"Ab9", AboveMax},        {"A#9", AboveMax},        {"Bb9", AboveMax},
        {"B9", AboveMax},         {"B#9", AboveMax},        {"b#9", AboveMax},
    };
    for (const auto& c : cases) {
        Tone tone;
        tone.setPitch("F#3");
        RejectionLog log(tone);
        PemSoundsModule::CurrentNoteNumber = -7;
        tone.setPitch(c.text);
        EXPECT_EQ(log.seen, std::vector<Rejection>{c.expected}) << c.text;
        EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, -7) << c.text;
        EXPECT_EQ(tone.PitchText(), "F#3") << c.text;
        EXPECT_EQ(tone.NoteName(), "F#") << c.text;
        EXPECT_EQ(tone.Octave(), 3) << c.text;
        EXPECT_EQ(tone.Number(), 54) << c.text;
    }
}

TEST(ToneNumber, NumbersGiveNamesAndOctaves) {
    struct Case {
        int16_t n;
        const char* noteName;
        int octave;
        const char* pitchText;
    };
    const Case cases[] = {
        {0, "C ", -1, "C-1"}, {11, "B ", -1, "B-1"}, {12, "C ", 0, "C0"},  {59, "B ", 3, "B3"},
        {60, "C ", 4, "C4"},  {61, "C#", 4, "C#4"},  {63, "Eb", 4, "Eb4"}, {68, "Ab", 4, "Ab4"},
        {70, "Bb", 4, "Bb4"}, {119, "B ", 8, "B8"},  {120, "C ", 9, "C9"}, {127, "G ", 9, "G9"},
    };
    for (const auto& c : cases) {
        Tone tone;
        tone.setNumber(c.n);
        EXPECT_EQ(tone.NoteName(), c.noteName) << c.n;
        EXPECT_EQ(tone.Octave(), c.octave) << c.n;
        EXPECT_EQ(tone.PitchText(), c.pitchText) << c.n;
        EXPECT_EQ(tone.Number(), c.n) << c.n;
    }
}

TEST(ToneNumber, EveryWrittenNoteReadsBackThroughItsText) {
    for (int16_t n = 12; n <= 127; ++n) {
        Tone written;
        written.setNumber(n);
        Tone parsed;
        RejectionLog log(parsed);
        parsed.setPitch(written.PitchText());
        EXPECT_TRUE(log.seen.empty()) << n;
        EXPECT_EQ(parsed.Number(), n) << n;
        EXPECT_EQ(written.Number(), n) << n;
    }
}

TEST(ToneEnharmonic, OtherSpellingWhenAskedFor) {
    struct Case {
        const char* pitch;
        const char* enharmonic;
        const char* expected;
    };
    const Case cases[] = {
        {"C4", "#", "B#3"},  {"C4", "b", "C4"},   {"C0", "#", "B#-1"}, {"C#4", "b", "Db4"},
        {"C#4", "#", "C#4"}, {"Eb4", "#", "D#4"}, {"Eb4", "b", "Eb4"}, {"E4", "b", "Fb4"},
        {"F4", "#", "E#4"},  {"F#4", "b", "Gb4"}, {"Ab4", "#", "G#4"}, {"Bb4", "#", "A#4"},
        {"B4", "b", "Cb5"},  {"B4", " ", "B4"},   {"D4", "#", "D4"},   {"D4", "b", "D4"},
        {"G4", "x", "G4"},   {"Db4", "b", "Db4"}, {"G#4", "#", "G#4"},
    };
    for (const auto& c : cases) {
        Tone tone;
        tone.setPitch(c.pitch);
        tone.setEnHarmonic(c.enharmonic);
        EXPECT_EQ(tone.EnharmonicName(), c.expected) << c.pitch << " " << c.enharmonic;
    }
}

TEST(ToneStart, PositionInTicks) {
    struct Case {
        int16_t bar, beat, tick, beatsPerBar;
        uint8_t beatLength;
        int32_t ticks;
    };
    const Case cases[] = {
        {1, 1, 0, 4, 4, 0},
        {1, 2, 0, 4, 4, 120},
        {2, 1, 0, 4, 4, 480},
        {3, 2, 5, 4, 4, 1085},
        {2, 3, 7, 3, 8, 307},
        {1, 1, 60, 4, 4, 60},
        // Halves round to even: 7.5 to 8, 22.5 to 22.
        {2, 1, 0, 1, 64, 8},
        {4, 1, 0, 1, 64, 22},
        {1, 2, 0, 4, 64, 8},
        {1, 4, 0, 4, 64, 22},
    };
    for (const auto& c : cases) {
        Tone tone;
        tone.setBar(c.bar);
        tone.setBeat(c.beat);
        tone.setTick(c.tick);
        tone.setBeatsPerBar(c.beatsPerBar);
        tone.setBeatLength(c.beatLength);
        EXPECT_EQ(tone.Start(), c.ticks) << c.bar << "." << c.beat << "." << c.tick;
    }
}

TEST(ToneStart, WritingSplitsIntoBarBeatTick) {
    struct Case {
        int32_t ticks;
        int16_t beatsPerBar;
        uint8_t beatLength;
        int16_t bar, beat, tick;
    };
    const Case cases[] = {
        {0, 4, 4, 1, 1, 0},   {1085, 4, 4, 3, 2, 5}, {479, 4, 4, 1, 4, 119},
        {480, 4, 4, 2, 1, 0}, {307, 3, 8, 2, 3, 7},  {100000, 4, 4, 209, 2, 40},
    };
    for (const auto& c : cases) {
        Tone tone;
        tone.setBeatsPerBar(c.beatsPerBar);
        tone.setBeatLength(c.beatLength);
        tone.setStart(c.ticks);
        EXPECT_EQ(tone.Bar(), c.bar) << c.ticks;
        EXPECT_EQ(tone.Beat(), c.beat) << c.ticks;
        EXPECT_EQ(tone.Tick(), c.tick) << c.ticks;
        EXPECT_EQ(tone.Start(), c.ticks) << c.ticks;
    }
}

TEST(ToneStart, WritingWithoutASensibleMetreChangesNothing) {
    struct Case {
        int16_t beatsPerBar;
        uint8_t beatLength;
        int32_t ticks;
    };
    const Case cases[] = {{4, 0, 1000}, {0, 4, 1000}, {-3, 4, 1000}, {4, 4, -1}};
    for (const auto& c : cases) {
        Tone tone;
        tone.setBar(7);
        tone.setBeat(2);
        tone.setTick(9);
        tone.setBeatsPerBar(c.beatsPerBar);
        tone.setBeatLength(c.beatLength);
        tone.setStart(c.ticks);
        EXPECT_EQ(tone.Bar(), 7) << c.beatsPerBar << "/" << int{c.beatLength} << " " << c.ticks;
        EXPECT_EQ(tone.Beat(), 2);
        EXPECT_EQ(tone.Tick(), 9);
    }
}

TEST(TonePlay, NoteIsAProgramChangeThenANoteOn) {
    testing_support::OpenRecorder midi;
    Tone tone;
    tone.setNumber(72);
    tone.setInstrument(55);
    tone.setVolume(127);
    tone.Play();
    EXPECT_EQ(midi.log().shortMessages(), (std::vector<uint32_t>{0x000037C0u, 0x007F4890u}));
    EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, 72);
    EXPECT_EQ(PemSoundsModule::CurrentChannel, 1);
    EXPECT_EQ(midi.log().soundingNotes(), std::multiset<int>{72});

    // Playing it again at volume 0 ends it.
    tone.setVolume(0);
    tone.Play();
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x000037C0u, 0x007F4890u, 0x000037C0u, 0x00004890u}));
    EXPECT_TRUE(midi.log().soundingNotes().empty());
}

TEST(TonePlay, ChannelAndPitchTextReachTheMessages) {
    testing_support::OpenRecorder midi;
    Tone tone;
    tone.setPitch("Db5");
    tone.setChannel(10);
    tone.setInstrument(3);
    tone.setVolume(90);
    tone.Play();
    ASSERT_EQ(midi.log().events.size(), 2u);
    EXPECT_EQ(midi.log().events[0].status(), 0xC9);
    EXPECT_EQ(midi.log().events[0].data1(), 3);
    EXPECT_EQ(midi.log().events[1].status(), 0x99);
    EXPECT_EQ(midi.log().events[1].data1(), 73);
    EXPECT_EQ(midi.log().events[1].data2(), 90);
    EXPECT_EQ(PemSoundsModule::CurrentChannel, 10);
}

TEST(TonePlay, ExpressionEventSendsOnlyTheControlChange) {
    testing_support::OpenRecorder midi;
    for (int volume : {101, 0, 127}) {
        midi.log().clear();
        Tone tone;
        tone.setNumber(72);
        tone.setEventType(11);
        tone.setVolume(static_cast<uint8_t>(volume));
        PemSoundsModule::CurrentNoteNumber = -3;
        tone.Play();
        const uint32_t expected = 0xB0u + 11u * 256u + static_cast<uint32_t>(volume) * 65536u;
        EXPECT_EQ(midi.log().shortMessages(), std::vector<uint32_t>{expected}) << volume;
        EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, -3) << volume;
    }
}

} // namespace

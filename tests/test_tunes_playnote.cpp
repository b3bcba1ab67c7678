#include "app/FormState.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/Tunes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testing_support::OpenRecorder;
using testing_support::playedNotes;
using testing_support::ScriptedNumbers;

constexpr int Chromatic = 0;
constexpr int Major = 1;
constexpr int Pentatonic = 3;
constexpr int Toccata = 8;

FormState freshState() {
    FormState s;
    Tunes::BuildNoteLists(s);
    return s;
}

std::vector<int> numbers(const char* text) {
    std::vector<int> out;
    for (const QString& part : QString::fromLatin1(text).split(' ')) {
        out.push_back(part.toInt());
    }
    return out;
}

std::vector<int> wholeNumbers(const NoteList& list) {
    std::vector<int> out;
    for (double v : list) {
        EXPECT_EQ(v, std::floor(v));
        out.push_back(static_cast<int>(v));
    }
    return out;
}

std::vector<int> steps(int first, int last, int step) {
    std::vector<int> out;
    for (int n = first; n <= last; n += step) {
        out.push_back(n);
    }
    return out;
}

TEST(Tunes, NineListsBehindTheOptions) {
    struct Case {
        const char* caption;
        std::size_t count;
        std::vector<int> notes;
    };
    const Case cases[] = {
        {"Chromatic", 109, steps(12, 120, 1)},
        {"Major", 22, numbers("60 62 64 65 67 69 71 72 74 76 77 79 81 83 84 86 88 89 91 93 95 96")},
        {"Minor", 22, numbers("60 62 63 65 67 68 71 72 74 75 77 79 80 83 84 86 87 89 91 92 95 96")},
        {"Pentatonic", 16, numbers("60 62 64 67 69 72 74 76 79 81 84 86 88 91 93 96")},
        {"Whole Tone", 55, steps(12, 120, 2)},
        {"Frere Jacques", 35,
         numbers("60 62 64 60 60 62 64 60 64 65 67 67 64 65 67 67 67 69 67 65 64 60 67 69 67 65 "
                 "64 60 60 55 60 60 60 55 60")},
        {"Bobby Shaftoe", 32,
         numbers("60 60 60 65 64 67 64 60 55 55 55 60 59 62 59 55 60 60 60 65 64 67 64 60 62 65 "
                 "62 59 60 60 60 60")},
        {"Early Morning", 32,
         numbers("60 60 60 60 60 64 67 67 69 65 62 60 59 62 55 55 60 60 60 60 60 64 67 67 69 65 "
                 "62 59 60 60 60 60")},
        {"Toccata", 32,
         numbers("69 64 73 69 71 64 74 71 73 69 76 73 71 76 68 71 69 64 73 69 71 64 74 71 73 69 "
                 "76 73 71 76 68 71")},
    };
    ASSERT_EQ(Tunes::OptionCaptions().size(), Tunes::OptionCount);
    const FormState s = freshState();
    for (int option = 0; option < Tunes::OptionCount; ++option) {
        const Case& c = cases[option];
        EXPECT_EQ(Tunes::OptionCaptions().at(option), c.caption);
        const NoteList& list = Tunes::ListForOption(s, option);
        ASSERT_EQ(list.size(), c.count) << c.caption;
        EXPECT_EQ(wholeNumbers(list), c.notes) << c.caption;
    }
}

TEST(Tunes, StartsOnChromaticWithAFreshMiddleC) {
    for (float r : {0.0f, 0.5f, 0.99999994f}) {
        ScriptedNumbers rnd({r});
        FormState s = freshState();
        const int expected = static_cast<int>(std::floor(r * 80));
        EXPECT_EQ(s.Instrument, expected) << r;
        EXPECT_LE(s.Instrument, 79);
        ASSERT_TRUE(s.CurrentTone);
        EXPECT_EQ(s.CurrentTone->instrument(), expected);
        EXPECT_EQ(s.CurrentTone->Volume(), 127);
        EXPECT_EQ(s.CurrentTone->Number(), 60);
        EXPECT_EQ(s.CurrentTune, s.ChromaticNotes);
        EXPECT_EQ(s.TuneIndex, 0);
        EXPECT_EQ(rnd.numbers().drawn(), 1u);
    }
}

TEST(Tunes, LoadTuneTakesACopy) {
    FormState s = freshState();
    Tunes::LoadTune(s, Major);
    ASSERT_EQ(s.CurrentTune, s.MajorNotes);
    s.CurrentTune[0] = 13;
    EXPECT_EQ(s.MajorNotes[0], 60);
    s.MajorNotes[1] = 14;
    EXPECT_EQ(s.CurrentTune[1], 62);
}

TEST(Tunes, LoadTuneGivesAFreshToneAndInstrument) {
    ScriptedNumbers rnd({0.1f, 0.5f, 0.25f});
    OpenRecorder midi;
    FormState s = freshState();
    s.TuneIndex = 7;
    s.CurrentTone->setNumber(90);
    Tunes::LoadTune(s, Toccata);
    EXPECT_EQ(s.Instrument, 40);
    ASSERT_TRUE(s.CurrentTone);
    EXPECT_EQ(s.CurrentTone->instrument(), 40);
    EXPECT_EQ(s.CurrentTone->Volume(), 127);
    EXPECT_EQ(s.CurrentTone->Number(), 60);
    EXPECT_EQ(s.TuneIndex, 7);
    EXPECT_EQ(s.CurrentTune, s.ToccataNotes);

    // No option set: the list stays, the tone and instrument are still new.
    s.CurrentTone->setNumber(91);
    Tunes::LoadTune(s, -1);
    EXPECT_EQ(s.CurrentTune, s.ToccataNotes);
    EXPECT_EQ(s.Instrument, 20);
    EXPECT_EQ(s.CurrentTone->instrument(), 20);
    EXPECT_EQ(s.CurrentTone->Number(), 60);
    EXPECT_EQ(s.TuneIndex, 7);
}

TEST(Tunes, SwitchLeavesNoNoteSounding) {
    ScriptedNumbers rnd({0.1f, 0.5f});
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    for (int option = 0; option < Tunes::OptionCount; ++option) {
        for (int i = 0; i < 5; ++i) {
            PlayNote(s);
        }
        ASSERT_EQ(midi.log().soundingNotes().size(), 1u) << option;
        Tunes::LoadTune(s, (option + 4) % Tunes::OptionCount);
        EXPECT_TRUE(midi.log().soundingNotes().empty()) << option;
    }
}

TEST(Tunes, SwitchEndsTheOldNoteWithItsOwnInstrument) {
    ScriptedNumbers rnd({0.1f, 0.5f});
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    s.TuneIndex = 50;
    PlayNote(s); // plays 62 with instrument 8
    midi.log().clear();
    Tunes::LoadTune(s, Pentatonic);
    EXPECT_EQ(midi.log().shortMessages(), (std::vector<uint32_t>{0x000008C0u, 0x00003E90u}));

    // The next step still ends the fresh tone's own note, then plays Pentatonic's first.
    midi.log().clear();
    PlayNote(s);
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x000028C0u, 0x00003C90u, 0x000028C0u, 0x007F3C90u}));
    EXPECT_EQ(s.TuneIndex, 1);
}

TEST(Tunes, CaptionNamesTheSelectedTune) {
    for (int option = 0; option < Tunes::OptionCount; ++option) {
        EXPECT_EQ(Tunes::AddTuneToCaption("Showing Meteorites", option),
                  "Showing Meteorites to tune " + Tunes::OptionCaptions().at(option));
    }
    EXPECT_EQ(Tunes::AddTuneToCaption("x", Major), "x to tune Major");
    EXPECT_EQ(Tunes::AddTuneToCaption("x", -1), "x to tune ");
}

// Runs PlayNote count times and returns the notes it sounded.
std::vector<int> play(FormState& s, OpenRecorder& midi, int count) {
    midi.log().clear();
    for (int i = 0; i < count; ++i) {
        PlayNote(s);
    }
    return playedNotes(midi.log());
}

TEST(PlayNote, FirstForwardCallEndsMiddleCThenPlaysTheLowestNote) {
    ScriptedNumbers rnd({0.5f});
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 10.24f;
    PlayNote(s);
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x000028C0u, 0x00003C90u, 0x000028C0u, 0x007F0C90u}));
    EXPECT_EQ(s.TuneIndex, 1);
    EXPECT_EQ(s.CurrentTone->Number(), 12);
}

TEST(PlayNote, FirstCallWithoutForwardStepWrapsToTheTop) {
    for (float dx : {0.0f, -0.0f, -3.0f}) {
        OpenRecorder midi;
        FormState s = freshState();
        s.DX1 = dx;
        EXPECT_EQ(play(s, midi, 1), std::vector<int>{12}) << dx;
        EXPECT_EQ(s.TuneIndex, 108) << dx;
        EXPECT_EQ(play(s, midi, 2), (std::vector<int>{120, 119})) << dx;
        EXPECT_EQ(s.TuneIndex, 106) << dx;
    }
}

TEST(PlayNote, WalksWrapAtBothEnds) {
    OpenRecorder midi;
    FormState s = freshState();
    Tunes::LoadTune(s, Major);
    s.DX1 = 2;
    s.TuneIndex = 21;
    EXPECT_EQ(play(s, midi, 2), (std::vector<int>{96, 60}));
    EXPECT_EQ(s.TuneIndex, 1);

    s.DX1 = -2;
    s.TuneIndex = 0;
    EXPECT_EQ(play(s, midi, 2), (std::vector<int>{60, 96}));
    EXPECT_EQ(s.TuneIndex, 20);

    // A whole lap forwards comes back to the start.
    s.DX1 = 1;
    s.TuneIndex = 0;
    std::vector<int> lap = play(s, midi, 23);
    EXPECT_EQ(std::vector<int>(lap.begin(), lap.end() - 1), wholeNumbers(s.MajorNotes));
    EXPECT_EQ(lap.back(), 60);
}

TEST(PlayNote, SignOfTheStepReversesTheWalk) {
    OpenRecorder midi;
    FormState s = freshState();
    Tunes::LoadTune(s, Major);
    s.DX1 = 5;
    EXPECT_EQ(play(s, midi, 3), (std::vector<int>{60, 62, 64}));
    EXPECT_EQ(s.TuneIndex, 3);
    s.DX1 = -5;
    EXPECT_EQ(play(s, midi, 1), std::vector<int>{65});
    EXPECT_EQ(s.TuneIndex, 2);
    EXPECT_EQ(play(s, midi, 1), std::vector<int>{64});
}

TEST(PlayNote, SwitchBeyondTheNewListStartsItFromTheTop) {
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    s.TuneIndex = 50;
    EXPECT_EQ(play(s, midi, 1), std::vector<int>{62});
    Tunes::LoadTune(s, Pentatonic);
    EXPECT_EQ(s.TuneIndex, 51);
    EXPECT_EQ(play(s, midi, 2), (std::vector<int>{60, 62}));
    EXPECT_EQ(s.TuneIndex, 2);

    // Backwards, an index beyond the end also restarts at 0 and then falls to the top.
    Tunes::LoadTune(s, Chromatic);
    s.TuneIndex = 50;
    Tunes::LoadTune(s, Pentatonic);
    s.DX1 = -1;
    EXPECT_EQ(play(s, midi, 2), (std::vector<int>{60, 96}));
}

TEST(PlayNote, EveryNoteEndsThePreviousOneAtFullVelocityOnChannelOne) {
    ScriptedNumbers rnd({0.3f});
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    for (int i = 0; i < 250; ++i) {
        PlayNote(s);
        const int expected = 12 + i % 109;
        ASSERT_EQ(midi.log().soundingNotes(), std::multiset<int>{expected}) << i;
    }
    for (const auto& e : midi.log().events) {
        ASSERT_EQ(e.kind, platform::MidiEvent::Kind::ShortMessage);
        if (e.status() == 0xC0) {
            EXPECT_EQ(e.data1(), 24);
        } else {
            ASSERT_EQ(e.status(), 0x90);
            EXPECT_TRUE(e.data2() == 0 || e.data2() == 127);
        }
    }
}

TEST(PlayNote, EmptyTuneOnlyEndsTheNote) {
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    PlayNote(s);
    s.CurrentTune.clear();
    s.TuneIndex = 4;
    PlayNote(s);
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    EXPECT_EQ(s.TuneIndex, 4);
}

TEST(Volume, SliderSendsOnlyTheExpressionChange) {
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    PlayNote(s);
    const int sounding = s.CurrentTone->Number();
    const Tone* tone = s.CurrentTone.get();
    for (int value : {0, 1, 64, 101, 126, 127}) {
        midi.log().clear();
        SetVolumeFromSlider(s, value);
        EXPECT_EQ(midi.log().shortMessages(),
                  std::vector<uint32_t>{0xB0u + 11u * 256u + static_cast<uint32_t>(value) * 65536u})
            << value;
        ASSERT_TRUE(s.VolumeTone);
        EXPECT_EQ(s.VolumeTone->Volume(), value);
        EXPECT_EQ(s.CurrentTone.get(), tone);
        EXPECT_EQ(s.CurrentTone->Number(), sounding);
        EXPECT_EQ(s.CurrentTone->Volume(), 127);
    }
    EXPECT_EQ(s.TuneIndex, 1);
}

} // namespace

#include "app/FormState.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/SoundCard.h"
#include "music/Tone.h"
#include "music/Tunes.h"
#include "platform/MidiOut.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace {

using namespace testing_support;
namespace pem = PemSoundsModule;
using Notes = std::vector<int>;

TEST(MidiMessages, PackedAsStatusPlusDataBytes) {
    EXPECT_EQ(pem::PackNoteOn(0, 16, 0), 0x0000009Fu);
    EXPECT_EQ(pem::PackNoteOn(127, 16, 127), 0x007F7F9Fu);
    EXPECT_EQ(pem::PackProgramChange(79, 10), 0x00004FC9u);
    EXPECT_EQ(pem::PackControlChange(64, 16, 0), 0x000040BFu);
}

QString errorText(platform::MMRESULT code, bool output = true) {
    char text[256] = {};
    (output ? platform::midiOutGetErrorTextA : platform::midiInGetErrorTextA)(code, text, 255);
    return text;
}

TEST(MidiErrorBox, LongDetailIsCutToTheBufferTheBoxReads) {
    RecordedMidi midi;
    const std::string detail = "looked in /nowhere" + std::string(600, 'x');
    platform::setMidiOutDevices(
        {platform::failingDevice(platform::ZELPHOR_ERR_NOSOUNDFONT, detail)});
    platform::HMIDIOUT handle = 7;
    EXPECT_EQ(platform::midiOutOpen(&handle, 0, 1, 0, 0), platform::ZELPHOR_ERR_NOSOUNDFONT);
    EXPECT_EQ(handle, 0u);
    CapturedMessageBoxes boxes;
    pem::ShowMidiError("midiOUT_Open", platform::ZELPHOR_ERR_NOSOUNDFONT);
    ASSERT_EQ(boxes.texts.size(), 1);
    const QStringList lines = boxes.texts.front().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "midiOUT_Open");
    EXPECT_TRUE(lines[1].contains("looked in /nowhere"));
    EXPECT_EQ(lines[1].size(), 254);
    EXPECT_FALSE(boxes.texts.front().contains('\r'));
    EXPECT_EQ(platform::midiInGetErrorTextA(platform::MMSYSERR_BADDEVICEID, nullptr, 5),
              platform::MMSYSERR_INVALPARAM);
    // "out" anywhere in the location, in any case, picks the output texts.
    const platform::MMRESULT code = platform::MMSYSERR_ALLOCATED;
    EXPECT_EQ(pem::MidiErrorMessage("timeout", code), "timeout\r\n" + errorText(code) + "\r\n");
    EXPECT_EQ(pem::MidiErrorMessage("o-u-t", code), "o-u-t\r\n" + errorText(code, false) + "\r\n");
}

TEST(SoundCard, FailedOpenShowsOneBoxAndLaterCallsStayQuiet) {
    RecordedMidi midi;
    for (platform::MMRESULT code : {platform::MIDIERR_NODEVICE, platform::ZELPHOR_ERR_NOAUDIO,
                                    platform::MMSYSERR_BADDEVICEID}) {
        // The last case asks for a device number beyond the one there is.
        const bool beyond = code == platform::MMSYSERR_BADDEVICEID;
        platform::setMidiOutDevices(
            {beyond ? platform::recordingDevice(midi.shared()) : platform::failingDevice(code)});
        pem::MidiOutHandle = 0;
        CapturedMessageBoxes boxes;
        SoundCard card;
        int16_t device = beyond ? 3 : 0;
        card.OpenCard(device);
        EXPECT_FALSE(card.Opened()) << code;
        int32_t note = 60, channel = 1, velocity = 127;
        pem::SendNoteOn(note, channel, velocity);
        card.MidiReset();
        card.CloseCard();
        ASSERT_EQ(boxes.texts.size(), 1) << code;
        EXPECT_EQ(boxes.texts.front(), "midiOUT_Open\n" + errorText(code) + "\n");
        EXPECT_TRUE(midi.log().events.empty()) << code;
    }
}

TEST(SoundCard, OpenCloseAndReset) {
    OpenRecorder midi;
    SoundCard& card = midi.card;
    ASSERT_TRUE(card.Opened());
    const uint32_t handle = card.HandleForMidiOut();
    int16_t other = 5;
    card.OpenCard(other); // only takes the new number
    EXPECT_EQ(card.HandleForMidiOut(), handle);
    int32_t note = 60, channel = 1, velocity = 127;
    pem::SendNoteOn(note, channel, velocity);
    card.MidiReset();
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    EXPECT_EQ(midi.log().resets(), 1u);

    card.CloseCard();
    card.CloseCard();
    card.MidiReset();
    EXPECT_FALSE(card.Opened());
    EXPECT_EQ(midi.log().closes(), 1u);
    EXPECT_EQ(midi.log().resets(), 1u);

    int16_t device = 0;
    card.OpenCard(device);
    EXPECT_TRUE(card.Opened());
    EXPECT_NE(platform::midiOutDeviceFor(card.HandleForMidiOut()), nullptr);
}

enum Rejection { TooLongOrShort, WrongNoteLetter, WrongOctave, WrongSharpFlat, AboveMax };

std::vector<Rejection> rejections(Tone& tone, const QString& text) {
    std::vector<Rejection> seen;
    auto note = [&](Rejection r) { return [&seen, r] { seen.push_back(r); }; };
    QObject::connect(&tone, &Tone::PitchTooLongOrShort, note(TooLongOrShort));
    QObject::connect(&tone, &Tone::PitchWrongNoteLetter, note(WrongNoteLetter));
    QObject::connect(&tone, &Tone::PitchWrongOctave, note(WrongOctave));
    QObject::connect(&tone, &Tone::PitchWrongSharpFlat, note(WrongSharpFlat));
    QObject::connect(&tone, &Tone::PitchAboveMax, note(AboveMax));
    tone.setPitch(text);
    QObject::disconnect(&tone, nullptr, nullptr, nullptr);
    return seen;
}

TEST(TonePitch, TextsGiveCanonicalSpellingsAndNumbers) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"c4", 60, "C4"},   {"db4", 61, "C#4"}, {"D#4", 63, "Eb4"},  {"E#4", 65, "F4"},
        {"Fb4", 64, "E4"},  {"Cb4", 59, "B3"},  {"B#4", 72, "C5"},   {"Cb0", 11, "B-1"},
        {"B#8", 120, "C9"}, {"g9", 127, "G9"},  {"F#9", 126, "F#9"}, {"bb3", 58, "Bb3"},
    };
    for (const auto& [text, number, canonical] : cases) {
        Tone tone;
        EXPECT_TRUE(rejections(tone, text).empty()) << text;
        EXPECT_EQ(tone.Number(), number) << text;
        EXPECT_EQ(tone.PitchText(), canonical) << text;
    }
    // Every number reads back through its text, except octave -1, which texts cannot name.
    for (int16_t n = 0; n <= 127; ++n) {
        Tone written;
        written.setNumber(n);
        Tone parsed;
        const bool accepted = rejections(parsed, written.PitchText()).empty();
        EXPECT_EQ(accepted, n >= 12) << n << " " << written.PitchText().toStdString();
        EXPECT_EQ(accepted ? parsed.Number() : written.Number(), n);
    }
}

TEST(TonePitch, BadTextsAreRejectedOnceAndChangeNothing) {
    const std::pair<const char*, Rejection> cases[] = {
        {"H4", WrongNoteLetter},  {"#C4", WrongNoteLetter}, {"", TooLongOrShort},
        {"C#10", TooLongOrShort}, {"C4 ", WrongOctave},     {"C#", WrongOctave},
        {"CB4", WrongSharpFlat},  {"C 4", WrongSharpFlat},  {"A9", AboveMax},
        {"G#9", AboveMax},        {"Ab9", AboveMax},        {"b#9", AboveMax},
    };
    for (const auto& [text, expected] : cases) {
        Tone tone;
        tone.setPitch("F#3");
        PemSoundsModule::CurrentNoteNumber = -7;
        EXPECT_EQ(rejections(tone, text), std::vector<Rejection>{expected}) << text;
        EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, -7) << text;
        EXPECT_EQ(tone.PitchText(), "F#3") << text;
        EXPECT_EQ(tone.Number(), 54) << text;
    }
}

TEST(TonePitch, EnharmonicSpellingWhenAskedFor) {
    const char* const cases[][3] = {{"C4", "#", "B#3"}, {"C0", "#", "B#-1"}, {"C#4", "b", "Db4"},
                                    {"E4", "b", "Fb4"}, {"B4", "b", "Cb5"},  {"D4", "#", "D4"},
                                    {"C4", "b", "C4"}};
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
    // In 64ths, halves round to even: 7.5 to 8, 22.5 to 22.
    const Position cases[] = {{1, 1, 0, 4, 4, 0},     {3, 2, 5, 4, 4, 1085},
                              {1, 4, 119, 4, 4, 479}, {209, 2, 40, 4, 4, 100000},
                              {2, 3, 7, 3, 8, 307},   {2, 1, 0, 1, 64, 8},
                              {4, 1, 0, 1, 64, 22},   {1, 4, 0, 4, 64, 22}};
    for (const Position& p : cases) {
        Tone tone;
        barBeatTick(tone, p, false);
        EXPECT_EQ(tone.Start(), p[5]) << p[0] << "." << p[1] << "." << p[2];
        // A beat of 7.5 ticks does not split back.
        if (p[4] != 64) {
            EXPECT_EQ(barBeatTick(tone, {9, 9, 9, p[3], p[4], p[5]}, true),
                      (std::array<int, 3>{p[0], p[1], p[2]}))
                << p[5];
        }
    }
    // Without a sensible metre, or before the start, writing changes nothing.
    for (const Position& p : {Position{7, 2, 9, 4, 0, 1000}, Position{7, 2, 9, 0, 4, 1000},
                              Position{7, 2, 9, -3, 4, 1000}, Position{7, 2, 9, 4, 4, -1}}) {
        Tone tone;
        EXPECT_EQ(barBeatTick(tone, p, true), (std::array<int, 3>{7, 2, 9}))
            << p[3] << "/" << p[4] << " " << p[5];
    }
}

TEST(TonePlay, ProgramChangeThenNoteOnOrOnlyTheExpression) {
    OpenRecorder midi;
    Tone tone;
    tone.setPitch("Db5");
    tone.setChannel(10);
    tone.setInstrument(55);
    tone.Play();
    tone.setVolume(0);
    tone.Play();
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x37C9u, 0x7F4999u, 0x37C9u, 0x4999u}));
    EXPECT_EQ(PemSoundsModule::CurrentNoteNumber, 73);
    midi.log().clear();
    Tone expression;
    expression.setEventType(11);
    expression.setVolume(101);
    expression.Play();
    EXPECT_EQ(midi.log().shortMessages(), std::vector<uint32_t>{0x650BB0u});
}

constexpr int Major = 1;
constexpr int Pentatonic = 3;

FormState freshState() {
    FormState s;
    Tunes::BuildNoteLists(s);
    return s;
}

// Runs PlayNote count times and returns the notes it sounded.
Notes play(FormState& s, OpenRecorder& midi, int count) {
    midi.log().clear();
    for (int i = 0; i < count; ++i) {
        PlayNote(s);
    }
    return testing_support::playedNotes(midi.log());
}

TEST(Tunes, NineListsBehindTheOptions) {
    const FormState s = freshState();
    std::vector<std::size_t> sizes;
    for (int option = 0; option < Tunes::OptionCount; ++option) {
        sizes.push_back(Tunes::ListForOption(s, option).size());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{109, 22, 22, 16, 55, 35, 32, 32, 32}));
    // The generated scales reach the edges of the playable range.
    EXPECT_EQ(std::vector<double>({s.ChromaticNotes.front(), s.ChromaticNotes.back(),
                                   s.WholeToneNotes.front(), s.WholeToneNotes.back()}),
              std::vector<double>({12, 120, 12, 120}));
    EXPECT_EQ(Tunes::OptionCaptions().at(5), "Frere Jacques");
    EXPECT_EQ(Tunes::AddTuneToCaption("x", Major), "x to tune Major");
    EXPECT_EQ(Tunes::AddTuneToCaption("x", -1), "x to tune ");
    EXPECT_EQ(s.CurrentTune, s.ChromaticNotes);
}

TEST(Tunes, SwitchEndsTheSoundingNoteAndStartsAFreshTone) {
    // Instruments 8, 40, 20 and 79, the highest.
    ScriptedNumbers rnd({0.1f, 0.5f, 0.25f, 0.99999994f});
    OpenRecorder midi;
    FormState s = freshState();
    EXPECT_EQ(s.CurrentTone->Number(), 60);
    EXPECT_EQ(s.CurrentTone->Volume(), 127);
    s.DX1 = 1;
    s.TuneIndex = 50;
    EXPECT_EQ(play(s, midi, 1), Notes{62}); // with instrument 8
    midi.log().clear();
    Tunes::LoadTune(s, Pentatonic);
    EXPECT_EQ(midi.log().shortMessages(), (std::vector<uint32_t>{0x08C0u, 0x3E90u}));
    EXPECT_EQ(s.Instrument, 40);
    EXPECT_EQ(s.CurrentTune, s.PentatonicNotes);
    EXPECT_EQ(s.TuneIndex, 51);

    // The next step still ends the fresh tone's own middle C, then starts the new list from
    // its top, as the old index lies beyond it.
    midi.log().clear();
    PlayNote(s);
    EXPECT_EQ(midi.log().shortMessages(),
              (std::vector<uint32_t>{0x28C0u, 0x3C90u, 0x28C0u, 0x7F3C90u}));
    EXPECT_EQ(s.TuneIndex, 1);

    // No option set: the list stays, the tone and instrument are still new.
    Tunes::LoadTune(s, -1);
    EXPECT_EQ(s.CurrentTune, s.PentatonicNotes);
    EXPECT_EQ(s.Instrument, 20);
    EXPECT_EQ(s.CurrentTone->Number(), 60);
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    Tunes::LoadTune(s, Major);
    EXPECT_EQ(s.CurrentTone->instrument(), 79);

    for (int option = 0; option < Tunes::OptionCount; ++option) {
        play(s, midi, 3);
        Tunes::LoadTune(s, option);
        EXPECT_TRUE(midi.log().soundingNotes().empty()) << option;
    }
}

TEST(PlayNote, StepsThroughTheTuneAndWrapsAtBothEnds) {
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 10.24f;
    EXPECT_EQ(play(s, midi, 1), Notes{12});
    // Without a forward step the walk goes down and wraps to the top at once.
    for (float dx : {0.0f, -0.0f, -3.0f}) {
        s.TuneIndex = 0;
        s.DX1 = dx;
        EXPECT_EQ(play(s, midi, 3), (Notes{12, 120, 119})) << dx;
        EXPECT_EQ(s.TuneIndex, 106) << dx;
    }
    Tunes::LoadTune(s, Major);
    s.DX1 = 2;
    s.TuneIndex = 21;
    EXPECT_EQ(play(s, midi, 2), (Notes{96, 60}));
    EXPECT_EQ(s.TuneIndex, 1);
    s.DX1 = -2;
    EXPECT_EQ(play(s, midi, 3), (Notes{62, 60, 96}));
    EXPECT_EQ(s.TuneIndex, 20);

    // Backwards, an index beyond the list also restarts at its start.
    s.TuneIndex = 50;
    EXPECT_EQ(play(s, midi, 2), (Notes{60, 96}));

    // An empty tune only ends the note.
    s.CurrentTune.clear();
    s.TuneIndex = 4;
    PlayNote(s);
    EXPECT_TRUE(midi.log().soundingNotes().empty());
    EXPECT_EQ(s.TuneIndex, 4);
}

TEST(PlayNote, EveryNoteEndsThePreviousOne) {
    OpenRecorder midi;
    FormState s = freshState();
    s.DX1 = 1;
    for (int i = 0; i < 250; ++i) {
        PlayNote(s);
        ASSERT_EQ(midi.log().soundingNotes(), std::multiset<int>{12 + i % 109}) << i;
    }
    // The volume slider sends only the expression change and leaves the sounding tone alone.
    midi.log().clear();
    SetVolumeFromSlider(s, 0);
    SetVolumeFromSlider(s, 127);
    EXPECT_EQ(midi.log().shortMessages(), (std::vector<uint32_t>{0x0BB0u, 0x7F0BB0u}));
    EXPECT_EQ(s.CurrentTone->Volume(), 127);
    EXPECT_EQ(s.TuneIndex, 250 % 109);
}

} // namespace

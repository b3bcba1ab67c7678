// Writes Pitch and Number of one Tone with arbitrary input, checking each result against
// a small model of note names; Play must then send well-formed messages only.
#include "music/PemSoundsModule.h"
#include "music/Tone.h"
#include "platform/MidiOut.h"
#include "platform/RecordingMidiOut.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "fuzz_tone: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = {}) {
    if (!ok) {
        fail(what, detail);
    }
}

const char* const canonicalNames[12] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                        "F#", "G",  "Ab", "A",  "Bb", "B"};

int floorDiv12(int n) {
    return n >= 0 ? n / 12 : -((-n + 11) / 12);
}

QString canonicalText(int number) {
    const int octave = floorDiv12(number) - 1;
    return QString::fromLatin1(canonicalNames[number - (octave + 1) * 12]) +
           QString::number(octave);
}

// Which of the five signals a text raises (1 to 5), or 0 with its note number.
int expectedVerdict(const QString& text, int& number) {
    if (text.size() < 2 || text.size() > 3) {
        return 1;
    }
    const char16_t letter = text.at(0).unicode();
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7}; // A to G
    int semitone = 0;
    if (letter >= u'A' && letter <= u'G') {
        semitone = semitones[letter - u'A'];
    } else if (letter >= u'a' && letter <= u'g') {
        semitone = semitones[letter - u'a'];
    } else {
        return 2;
    }
    const char16_t digit = text.at(text.size() - 1).unicode();
    if (digit < u'0' || digit > u'9') {
        return 3;
    }
    if (text.size() == 3) {
        const char16_t accidental = text.at(1).unicode();
        if (accidental == u'#') {
            ++semitone;
        } else if (accidental == u'b') {
            --semitone;
        } else {
            return 4;
        }
    }
    number = (digit - u'0' + 1) * 12 + semitone;
    return number > 127 ? 5 : 0;
}

struct Snapshot {
    QString pitch, pitchText, noteName, enharmonic;
    int16_t octave;
    int32_t current;

    explicit Snapshot(const Tone& t)
        : pitch(t.Pitch()), pitchText(t.PitchText()), noteName(t.NoteName()),
          enharmonic(t.EnharmonicName()), octave(t.Octave()),
          current(PemSoundsModule::CurrentNoteNumber) {}
    bool operator==(const Snapshot&) const = default;
};

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Pitch text from the input in four ways: a letter, an optional accidental and an octave
// each from a short list, which finds the narrow valid cases quickly; up to seven
// characters from an alphabet of pitch characters; bytes as Latin-1; or pairs of bytes as
// UTF-16 code units (lone surrogates and all).
QString textFrom(Input& in, uint8_t op) {
    static const char letters[] = "ABCDEFGabcdefgHh";
    static const char accidentals[] = "#bB x-";
    static const char octaves[] = "0123456789X";
    static const char alphabet[] = "ABCDEFGabcdefgHh#bB0123456789x-+ ";
    const auto pick = [&in](const char* list, std::size_t size) {
        return QLatin1Char(list[in.byte() % (size - 1)]);
    };
    QString text;
    if ((op >> 6) == 3) {
        text += pick(letters, sizeof letters);
        if (op & 0x08) {
            text += pick(accidentals, sizeof accidentals);
        }
        text += pick(octaves, sizeof octaves);
        return text;
    }
    const int length = (op >> 3) & 7;
    for (int i = 0; i < length; ++i) {
        if ((op >> 6) == 2) {
            text += pick(alphabet, sizeof alphabet);
        } else if (op & 0x40) {
            const uint16_t lo = in.byte();
            text += QChar(static_cast<char16_t>(lo | (in.byte() << 8)));
        } else {
            text += QChar(static_cast<char16_t>(in.byte()));
        }
    }
    return text;
}

void writePitch(Tone& tone, const QString& text) {
    int emitted = 0;
    int raised = 0;
    const auto count = [&](int which) {
        return [&emitted, &raised, which] {
            ++emitted;
            raised = which;
        };
    };
    QObject::connect(&tone, &Tone::PitchTooLongOrShort, count(1));
    QObject::connect(&tone, &Tone::PitchWrongNoteLetter, count(2));
    QObject::connect(&tone, &Tone::PitchWrongOctave, count(3));
    QObject::connect(&tone, &Tone::PitchWrongSharpFlat, count(4));
    QObject::connect(&tone, &Tone::PitchAboveMax, count(5));

    const Snapshot before(tone);
    int number = -1;
    const int verdict = expectedVerdict(text, number);
    tone.setPitch(text);
    QObject::disconnect(&tone, nullptr, nullptr, nullptr);

    if (verdict != 0) {
        check(emitted == 1 && raised == verdict, "wrong rejection", text);
        check(Snapshot(tone) == before, "a rejected pitch changed the tone", text);
        return;
    }
    check(emitted == 0, "a valid pitch was rejected", text);
    const QString canonical = canonicalText(number);
    check(tone.Pitch() == canonical, "not read back canonically", text + " -> " + tone.Pitch());
    check(tone.PitchText() == canonical, "PitchText not canonical", text);
    check(PemSoundsModule::CurrentNoteNumber == number, "wrong note number", text);
    check(tone.Number() == number, "Number disagrees with Pitch", text);
    check(tone.Pitch() == canonical, "reading Number changed the pitch", text);
}

void writeNumber(Tone& tone, int16_t n) {
    tone.setNumber(n);
    const QString expected = canonicalText(n);
    check(tone.Pitch() == expected, "Number not spelled canonically",
          QString::number(n) + " -> " + tone.Pitch());
    check(tone.PitchText() == expected, "PitchText after Number", QString::number(n));
    check(tone.Octave() == floorDiv12(n) - 1, "octave after Number", QString::number(n));
    check(tone.Number() == n, "Number does not read back", QString::number(n));
}

// The other spelling names the same note: written back as a pitch it gives the same number.
void enharmonicRoundTrip(Tone& tone, uint8_t op) {
    const QString accidentals[3] = {QStringLiteral("#"), QStringLiteral("b"), QStringLiteral(" ")};
    tone.setEnHarmonic(accidentals[(op >> 3) % 3]);
    const int16_t number = tone.Number();
    const QString other = tone.EnharmonicName();
    int expected = -1;
    if (expectedVerdict(other, expected) != 0) {
        return;
    }
    Tone copy;
    copy.setPitch(other);
    check(copy.Number() == number, "enharmonic spelling names another note",
          tone.Pitch() + " / " + other);
}

void play(Tone& tone, platform::MidiRecording& log) {
    log.clear();
    const int16_t number = tone.Number();
    tone.Play();
    if (number < 0 || number > 127) {
        return; // outside what the program ever writes: only no crash is asked
    }
    const auto messages = log.shortMessages();
    check(messages.size() == 2, "Play sent other than two messages", tone.Pitch());
    check(messages[0] == 0xC0u, "program change", QString::number(messages[0], 16));
    const uint32_t noteOn = 0x90u | (uint32_t(number) << 8) | (uint32_t(tone.Volume()) << 16);
    check(messages[1] == noteOn, "note-on", QString::number(messages[1], 16));
}

struct Device {
    std::shared_ptr<platform::MidiRecording> log = std::make_shared<platform::MidiRecording>();
    Device() {
        platform::setMidiOutDevices({platform::recordingDevice(log)});
        int16_t device = 0;
        check(PemSoundsModule::OpenMidiOut(device) == platform::MMSYSERR_NOERROR,
              "opening the recorder");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Device device;
    Input in(data, size);
    Tone tone;
    for (int steps = 0; !in.empty() && steps < 64; ++steps) {
        const uint8_t op = in.byte();
        switch (op & 3) {
        case 0:
            writePitch(tone, textFrom(in, op));
            break;
        case 1: {
            const uint16_t lo = in.byte();
            writeNumber(tone, static_cast<int16_t>(lo | (in.byte() << 8)));
            break;
        }
        case 2:
            enharmonicRoundTrip(tone, op);
            break;
        default:
            play(tone, *device.log);
            break;
        }
    }
    return 0;
}

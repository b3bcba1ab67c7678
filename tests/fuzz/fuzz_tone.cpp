// Writes Pitch and Number of one Tone with arbitrary input. A pitch is either refused with
// exactly one signal and changes nothing, or reads back as a spelling that names the same
// note again; Play then sends well-formed messages only.
#include "doubles/RecordingMidiOut.h"
#include "music/PemSoundsModule.h"
#include "music/Tone.h"
#include "platform/MidiOut.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Device 0 records what the tones send.
struct Sound {
    std::shared_ptr<platform::MidiRecording> log = std::make_shared<platform::MidiRecording>();
    platform::MidiOutRegistry devices{{platform::recordingDevice(log)}};
    PemSoundsModule::Link link{devices, {}};
};

void check(bool ok, const char* what, const QString& detail = {}) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_tone: %s: %s\n", what, qPrintable(detail));
        std::abort();
    }
}

int signalsRaisedBy(Tone& tone, const QString& text) {
    int raised = 0;
    const auto count = [&raised] { ++raised; };
    for (auto signal :
         {&Tone::PitchTooLongOrShort, &Tone::PitchWrongNoteLetter, &Tone::PitchWrongOctave,
          &Tone::PitchWrongSharpFlat, &Tone::PitchAboveMax}) {
        QObject::connect(&tone, signal, count);
    }
    tone.setPitch(text);
    QObject::disconnect(&tone, nullptr, nullptr, nullptr);
    return raised;
}

void writePitch(Sound& sound, Tone& tone, const QString& text) {
    const QString pitchBefore = tone.Pitch();
    const int32_t noteBefore = sound.link.CurrentNoteNumber;
    const int raised = signalsRaisedBy(tone, text);
    check(raised <= 1, "more than one signal", text);
    if (raised == 1) {
        check(tone.Pitch() == pitchBefore && sound.link.CurrentNoteNumber == noteBefore,
              "a refused pitch changed the tone", text);
        return;
    }
    const int16_t number = tone.Number();
    check(number >= 0 && number <= 127, "an accepted pitch is no MIDI note", text);
    // Octave -1 reads back as "B-1" and the like, which cannot be written: that is allowed.
    Tone again(sound.link);
    check(signalsRaisedBy(again, tone.Pitch()) == 1 || again.Number() == number,
          "the spelling read back names another note", text + " -> " + tone.Pitch());
}

void writeNumber(Tone& tone, int16_t n) {
    tone.setNumber(n);
    check(tone.Number() == n, "Number does not read back", QString::number(n));
}

void play(Tone& tone, platform::MidiRecording& log) {
    log.clear();
    const int16_t number = tone.Number();
    tone.Play();
    if (number < 0 || number > 127) {
        return; // beyond what the program ever writes: only no crash is asked
    }
    for (const uint32_t message : log.shortMessages()) {
        check((message & 0x80) != 0 && ((message >> 8) & 0x80) == 0 &&
                  ((message >> 16) & 0x80) == 0 && (message >> 24) == 0,
              "malformed message", QString::number(message, 16));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Sound& sound = []() -> Sound& {
        static Sound opened;
        int16_t device = 0;
        check(PemSoundsModule::OpenMidiOut(opened.link, device) == platform::MMSYSERR_NOERROR,
              "opening");
        return opened;
    }();
    Tone tone(sound.link);
    std::size_t pos = 0;
    auto byte = [&] { return pos < size ? data[pos++] : uint8_t(0); };
    for (int steps = 0; pos < size && steps < 64; ++steps) {
        const uint8_t op = byte();
        if ((op & 3) == 0) {
            // Up to seven characters, as Latin-1 or as UTF-16 code units (surrogates and all).
            QString text;
            for (int i = 0; i < ((op >> 3) & 7); ++i) {
                const uint16_t lo = byte();
                text += QChar(static_cast<char16_t>(op & 0x40 ? lo | (byte() << 8) : lo));
            }
            writePitch(sound, tone, text);
        } else if ((op & 3) == 1) {
            const uint16_t lo = byte();
            writeNumber(tone, static_cast<int16_t>(lo | (byte() << 8)));
        } else if ((op & 3) == 2) {
            tone.setEnHarmonic(op & 4 ? QStringLiteral("#") : QStringLiteral("b"));
            writePitch(sound, tone, tone.EnharmonicName());
        } else {
            play(tone, *sound.log);
        }
    }
    return 0;
}

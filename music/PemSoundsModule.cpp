#include "music/PemSoundsModule.h"

#include "music/MIDIConstants.h"

#include <QStringList>

#include <array>
#include <cmath>

namespace PemSoundsModule {

namespace {
void send(Link& link, uint32_t message) {
    platform::midiOutShortMsg(link.devices, link.MidiOutHandle, message);
    if (link.tap != nullptr) {
        link.tap->shortMessage(message);
    }
}

// Plain addition, no masking, as the device expects; wide enough that no input overflows.
uint32_t pack(int64_t status, int64_t data1, int64_t data2) {
    return static_cast<uint32_t>(status + data1 * 256 + data2 * 65536);
}
} // namespace

uint32_t PackNoteOn(int32_t note, int32_t channel, int32_t velocity) {
    return pack(int64_t{MIDIConstants::NoteOnStatus} + channel - 1, note, velocity);
}

uint32_t PackControlChange(uint8_t controller, int32_t channel, int32_t value) {
    return pack(int64_t{MIDIConstants::ControlChangeStatus} + channel - 1, controller & 0x7F,
                value);
}

uint32_t PackProgramChange(int32_t program, int32_t channel) {
    return pack(int64_t{MIDIConstants::ProgramChangeStatus} + channel - 1, program, 0);
}

void SendNoteOn(Link& link, int32_t& note, int32_t& channel, int32_t& velocity) {
    send(link, PackNoteOn(note, channel, velocity));
}

void SendControlChange(Link& link, uint8_t& controller, int32_t& channel, int32_t& value) {
    send(link, PackControlChange(controller, channel, value));
}

void SendProgramChange(Link& link, int32_t& program, int32_t& channel) {
    send(link, PackProgramChange(program, channel));
}

platform::MMRESULT OpenMidiOut(Link& link, int16_t& deviceNumber) {
    link.MidiOutHandle = 0;
    const platform::MMRESULT result = platform::midiOutOpen(
        link.devices, &link.MidiOutHandle, static_cast<int32_t>(deviceNumber), 1, 0, 0);
    if (result != platform::MMSYSERR_NOERROR) {
        ShowMidiError(link, QStringLiteral("midiOUT_Open"), result);
    }
    return result;
}

QString MidiErrorMessage(const Link& link, const QString& location, int64_t errorCode) {
    std::array<char, 256> buffer{};
    const auto code = static_cast<platform::MMRESULT>(errorCode);
    if (location.contains(QStringLiteral("out"), Qt::CaseInsensitive)) {
        platform::midiOutGetErrorTextA(link.devices, code, buffer.data(), 255);
    } else {
        platform::midiInGetErrorTextA(code, buffer.data(), 255);
    }
    const QString text = QString::fromLocal8Bit(buffer.data());
    return location + QStringLiteral("\r\n") + text + QStringLiteral("\r\n");
}

QString NoSoundAdvice(int64_t errorCode) {
    const auto code = static_cast<platform::MMRESULT>(errorCode);
    const QString chosenFont = qEnvironmentVariable("ZELPHOR_SOUNDFONT");
    const QString server = QStringLiteral(
        "Check that a sound server (PipeWire or PulseAudio) is running for your session.");
    const QString fontPackage =
        QStringLiteral("Check that a General MIDI sound font is installed, for example the package "
                       "timgm6mb-soundfont, fluid-soundfont-gm or sf3-soundfont-gm.");
    QStringList lines{QStringLiteral("Zelphor goes on without sound.")};
    if (!chosenFont.isEmpty() &&
        (code == platform::ZELPHOR_ERR_NOSOUNDFONT || code == platform::ZELPHOR_ERR_SYNTH)) {
        lines << QStringLiteral("ZELPHOR_SOUNDFONT names %1: check that it is a General MIDI "
                                "sound font (.sf2 or .sf3), or unset it.")
                     .arg(chosenFont);
    }
    switch (code) {
    case platform::ZELPHOR_ERR_NOSOUNDFONT:
        lines << fontPackage;
        break;
    case platform::ZELPHOR_ERR_NOAUDIO:
        lines << server;
        break;
    default:
        lines << server << fontPackage;
        break;
    }
    return lines.join(QStringLiteral("\r\n"));
}

void ShowMidiError(const Link& link, const QString& location, int64_t errorCode) {
    // The error first, as the box has always shown it; then what it means and what to check.
    if (link.showBox) {
        link.showBox(MidiErrorMessage(link, location, errorCode) + QStringLiteral("\r\n") +
                     NoSoundAdvice(errorCode) + QStringLiteral("\r\n"));
    }
}

int32_t TicksFromPosition(int16_t bar, int16_t beat, int16_t tick, int16_t beatsPerBar,
                          uint8_t beatLength) {
    if (beatLength == 0) {
        return tick;
    }
    const double a = std::nearbyint(double(bar - 1) * beatsPerBar * 480.0 / beatLength);
    const double b = std::nearbyint(double(beat - 1) * 480.0 / beatLength + a);
    const double position = b + tick;
    if (position > 2147483647.0 || position < -2147483648.0) {
        return 0;
    }
    return static_cast<int32_t>(position);
}

void CloseMidiOut(Link& link) {
    platform::midiOutClose(link.devices, link.MidiOutHandle);
}

} // namespace PemSoundsModule

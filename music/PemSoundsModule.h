#pragma once

#include "platform/MessageBox.h"
#include "platform/MidiOut.h"

#include <QString>
#include <cstdint>
#include <utility>

// The program's link to its MIDI output: the open handle, the note and channel being
// sent, the error report and the three message builders.
namespace PemSoundsModule {

// The module's variables, one of them for the program: the handle every message builder
// sends to, whoever opened it, and what it is open on.
struct Link {
    Link(platform::MidiOutRegistry& system, platform::MessageBoxes boxes)
        : devices(system), showBox(std::move(boxes)) {}

    platform::MidiOutRegistry& devices; // the system's output devices
    platform::MessageBoxes showBox;     // how ShowMidiError's box is shown
    // A second receiver of every message sent and of every reset, whether or not a device
    // is open (a recording); null for none. Not owned.
    platform::MidiOutDevice* tap = nullptr;
    uint32_t MidiOutHandle = 0;    // 0 before opening and after a failed open
    int32_t CurrentNoteNumber = 0; // written by Tone just before it sends
    int32_t CurrentChannel = 0;    // likewise
};

platform::MMRESULT OpenMidiOut(Link& link, int16_t& deviceNumber);
void ShowMidiError(const Link& link, const QString& location, int64_t errorCode);
void CloseMidiOut(Link& link);

// Packing: status + data1 * 256 + data2 * 65536; channels 1 to 16.
uint32_t PackNoteOn(int32_t note, int32_t channel, int32_t velocity);
uint32_t PackControlChange(uint8_t controller, int32_t channel, int32_t value);
uint32_t PackProgramChange(int32_t program, int32_t channel);

void SendNoteOn(Link& link, int32_t& note, int32_t& channel, int32_t& velocity);
void SendControlChange(Link& link, uint8_t& controller, int32_t& channel, int32_t& value);
void SendProgramChange(Link& link, int32_t& program, int32_t& channel);

// A score position in ticks, 120 to a quarter note.
int32_t TicksFromPosition(int16_t bar, int16_t beat, int16_t tick, int16_t beatsPerBar,
                          uint8_t beatLength);

// The text ShowMidiError puts first in its box.
QString MidiErrorMessage(const Link& link, const QString& location, int64_t errorCode);
// What ShowMidiError adds after it when the device cannot be opened: that the program goes
// on without sound, and what to check for the reason given by the code.
QString NoSoundAdvice(int64_t errorCode);

} // namespace PemSoundsModule

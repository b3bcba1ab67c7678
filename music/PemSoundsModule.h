#pragma once

#include "platform/MidiOut.h"

#include <QString>
#include <cstdint>

// The program's link to its MIDI output: the open handle, the note and channel being
// sent, the error report and the three message builders.
namespace PemSoundsModule {

extern uint32_t MidiOutHandle;    // 0 before opening and after a failed open
extern int32_t CurrentNoteNumber; // written by Tone just before it sends
extern int32_t CurrentChannel;    // likewise

platform::MMRESULT OpenMidiOut(int16_t& deviceNumber);
void ShowMidiError(const QString& location, int64_t errorCode);
void CloseMidiOut();

// Packing: status + data1 * 256 + data2 * 65536; channels 1 to 16.
uint32_t PackNoteOn(int32_t note, int32_t channel, int32_t velocity);
uint32_t PackControlChange(uint8_t controller, int32_t channel, int32_t value);
uint32_t PackProgramChange(int32_t program, int32_t channel);

void SendNoteOn(int32_t& note, int32_t& channel, int32_t& velocity);
void SendControlChange(uint8_t& controller, int32_t& channel, int32_t& value);
void SendProgramChange(int32_t& program, int32_t& channel);

// A second receiver of every message sent and of every reset, whether or not a device is
// open (a recording); null for none. Not owned.
void SetMessageTap(platform::MidiOutDevice* tap);
platform::MidiOutDevice* MessageTap();

// A score position in ticks, 120 to a quarter note.
int32_t TicksFromPosition(int16_t bar, int16_t beat, int16_t tick, int16_t beatsPerBar,
                          uint8_t beatLength);

// The text ShowMidiError puts first in its box.
QString MidiErrorMessage(const QString& location, int64_t errorCode);
// What ShowMidiError adds after it when the device cannot be opened: that the program goes
// on without sound, and what to check for the reason given by the code.
QString NoSoundAdvice(int64_t errorCode);

} // namespace PemSoundsModule

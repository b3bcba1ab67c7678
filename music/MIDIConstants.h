#pragma once

#include <cstdint>

// Named MIDI numbers.
namespace MIDIConstants {

inline constexpr int32_t NoteOnStatus = 0x90;
inline constexpr int32_t ControlChangeStatus = 0xB0;
inline constexpr int32_t ProgramChangeStatus = 0xC0;

inline constexpr uint8_t ExpressionController = 11;

// A Tone whose EventType is this sends an expression change instead of a note.
inline constexpr uint8_t ExpressionEvent = 11;

inline constexpr int32_t FullVelocity = 127;

// Programs the music draws from.
inline constexpr int32_t RandomPrograms = 80;

} // namespace MIDIConstants

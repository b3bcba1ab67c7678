#pragma once

#include <cstdint>

// Named MIDI numbers.
namespace MIDIConstants {

inline constexpr int32_t NoteOnStatus = 0x90;
inline constexpr int32_t ControlChangeStatus = 0xB0;
inline constexpr int32_t ProgramChangeStatus = 0xC0;

inline constexpr uint8_t ExpressionController = 11;
inline constexpr uint8_t SustainController = 64;

// A Tone whose EventType is this sends an expression change instead of a note.
inline constexpr uint8_t ExpressionEvent = 11;
inline constexpr uint8_t NoteEvent = 128;

inline constexpr int32_t FirstChannel = 1;
inline constexpr int32_t LastChannel = 16;
inline constexpr int32_t MaxDataValue = 127;
inline constexpr int32_t FullVelocity = 127;
inline constexpr int32_t MiddleC = 60;

// Programs the music draws from, and the jingle's.
inline constexpr int32_t RandomPrograms = 80;
inline constexpr int32_t JingleProgram = 55;

} // namespace MIDIConstants

#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

// Short MIDI messages packed as status + data1 * 256 + data2 * 65536, as the devices take them.
namespace platform::midi {

// How many bytes a message with this status byte has on the wire: 3, 2 or 1; 0 for bytes
// that start no short message (data bytes, system exclusive).
std::size_t messageLength(uint8_t status);

// The bytes of a packed message, data bytes limited to 0..127; returns how many there are.
std::size_t messageBytes(uint32_t message, uint8_t (&bytes)[3]);

inline constexpr uint8_t sustainPedal = 64;
inline constexpr uint8_t allNotesOff = 123;

// Follows the notes a stream leaves sounding, so that a reset can end each of them.
class SoundingNotes {
public:
    void onMessage(uint32_t message);
    // What a reset sends: a note-off for every sounding note, then on all 16 channels the
    // sustain pedal up and all notes off. Nothing is sounding afterwards.
    std::vector<uint32_t> resetMessages();
    bool empty() const { return notes_.empty(); }

private:
    std::set<int> notes_; // channel * 128 + note
};

} // namespace platform::midi

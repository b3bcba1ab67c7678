#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform::smf {

// 120 beats a minute at 500 ticks a beat: one tick is one millisecond.
inline constexpr uint16_t ticksPerQuarter = 500;
inline constexpr uint32_t microsecondsPerQuarter = 500000;
// The longest gap one variable-length delta time can hold.
inline constexpr uint32_t longestDelta = 0x0FFFFFFF;

// A format 0 Standard MIDI File (one track) built message by message.
class TrackWriter {
public:
    // The track starts with its name and the tempo at time 0.
    explicit TrackWriter(std::string_view trackName);

    // A short message of 1 to 3 bytes at a time in milliseconds from the start. A time
    // before the previous message's counts as that time.
    void add(uint64_t millisecond, const uint8_t* bytes, std::size_t size);

    // The whole file as it stands: header, the track so far and its end.
    std::vector<uint8_t> file() const;
    std::size_t messages() const { return messages_; }

private:
    void delta(uint64_t millisecond);
    void variableLength(uint32_t value);

    std::vector<uint8_t> body_;
    uint64_t lastTick_ = 0;
    std::size_t messages_ = 0;
};

} // namespace platform::smf

#include "platform/StandardMidiFile.h"

#include <algorithm>
#include <iterator>

namespace platform::smf {

namespace {
void bigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}
} // namespace

TrackWriter::TrackWriter(std::string_view trackName) {
    const std::size_t nameLength = std::min<std::size_t>(trackName.size(), 127);
    const uint8_t nameHead[] = {0x00, 0xFF, 0x03, static_cast<uint8_t>(nameLength)};
    const uint8_t tempoHead[] = {0x00, 0xFF, 0x51, 0x03};
    body_.reserve(64 + nameLength);
    body_.insert(body_.end(), std::begin(nameHead), std::end(nameHead));
    body_.insert(body_.end(), trackName.begin(), trackName.begin() + nameLength);
    body_.insert(body_.end(), std::begin(tempoHead), std::end(tempoHead));
    bigEndian(body_, microsecondsPerQuarter, 3);
}

void TrackWriter::variableLength(uint32_t value) {
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 4);
    while (n > 1) {
        body_.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    }
    body_.push_back(groups[0]);
}

void TrackWriter::delta(uint64_t millisecond) {
    uint64_t gap = millisecond > lastTick_ ? millisecond - lastTick_ : 0;
    lastTick_ = std::max(lastTick_, millisecond);
    // A gap too long for one delta is bridged with empty text events.
    while (gap > longestDelta) {
        variableLength(longestDelta);
        body_.insert(body_.end(), {0xFF, 0x01, 0x00});
        gap -= longestDelta;
    }
    variableLength(static_cast<uint32_t>(gap));
}

void TrackWriter::add(uint64_t millisecond, const uint8_t* bytes, std::size_t size) {
    if (size == 0 || size > 3 || bytes[0] < 0x80 || bytes[0] >= 0xF0) {
        return;
    }
    delta(millisecond);
    body_.insert(body_.end(), bytes, bytes + size);
    ++messages_;
}

std::vector<uint8_t> TrackWriter::file() const {
    std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
    bigEndian(out, 6, 4);
    bigEndian(out, 0, 2); // format 0
    bigEndian(out, 1, 2); // one track
    bigEndian(out, ticksPerQuarter, 2);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    bigEndian(out, static_cast<uint32_t>(body_.size() + 4), 4);
    out.insert(out.end(), body_.begin(), body_.end());
    out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
    return out;
}

} // namespace platform::smf

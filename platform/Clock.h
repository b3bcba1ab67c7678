#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// Monotonic: waits must not care about midnight or the wall clock being set.
inline double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline uint64_t monotonicNanoseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace platform

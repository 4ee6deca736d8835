#pragma once

// The benchmark's own little messages, the same bytes over both transports: 32 bytes, a kind
// byte and a 32-bit counter at the front.

#include <cstdint>
#include <cstring>
#include <vector>

#include "kit/figures.h"

namespace quorvex::bench::compare {

// The clock, percentiles and options every side of the comparison uses.
using namespace kit;

inline constexpr std::size_t kMessageBytes = 32;
inline constexpr std::uint8_t kPing = 'P';    // round trip: echoed back to the sender
inline constexpr std::uint8_t kFanOut = 'F';  // fan-out: one to every receiver
inline constexpr std::uint8_t kAck = 'A';     // a receiver's count so far (flow control)
inline constexpr int kReceivers = 10;
// Fan-out messages a sender may have in flight beyond the slowest receiver's last count; the
// same window for both transports, well inside our session's per-player send limit.
inline constexpr std::uint32_t kWindow = 4000;
inline constexpr std::uint32_t kAckEvery = 500;

inline std::vector<std::uint8_t> Message(std::uint8_t kind, std::uint32_t counter) {
    std::vector<std::uint8_t> bytes(kMessageBytes, 0x2A);
    bytes[0] = kind;
    std::memcpy(bytes.data() + 1, &counter, sizeof counter);
    return bytes;
}

inline std::uint32_t CounterOf(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t counter = 0;
    if (size >= 1 + sizeof counter) {
        std::memcpy(&counter, bytes + 1, sizeof counter);
    }
    return counter;
}

}  // namespace quorvex::bench::compare

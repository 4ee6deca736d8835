#pragma once

// The player ends of our session service for the comparison: one pinging client, and a set of
// fan-out receivers. Both run on this process's Qt event loop.

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvex::bench::compare {

// Round trips of one message through the server's echo, in microseconds, after `warmUp`
// discarded ones. Empty when the connection failed or the whole did not end in `timeoutMs`.
std::vector<double> OursRoundTrips(quint16 port, int count, int warmUp, int timeoutMs);

// Connects kReceivers players; `start` is called once all are in, and the result is the time
// in seconds from then until every receiver has `total` messages (negative on failure, or
// when that takes more than `timeoutMs`).
double OursFanOut(quint16 port, std::uint32_t total, const std::function<void()>& start,
                  int timeoutMs);

}  // namespace quorvex::bench::compare

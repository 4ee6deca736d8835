#pragma once

// The same two clients over ENet's reliable, ordered channel 0.

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvex::bench::compare {

// As OursRoundTrips and OursFanOut.
std::vector<double> EnetRoundTrips(std::uint16_t port, int count, int warmUp, int timeoutMs);
double EnetFanOut(std::uint16_t port, std::uint32_t total, const std::function<void()>& start,
                  int timeoutMs);

}  // namespace quorvex::bench::compare

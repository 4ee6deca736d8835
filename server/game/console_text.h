#pragma once

// Texts of the server console that are worked out from plain values.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::server {

inline constexpr std::string_view kHostAddressError = "Err: Could Not Retrive Hostname/IP";

// "Uptime: hh:mm:ss" for the seconds since hosting finished. The hours count only within the
// day, so the display starts again from 00:00:00 after every full day. The span comes from a
// monotonic clock and is never negative.
std::string FormatUptime(std::int64_t elapsedSeconds);
// The same for milliseconds since the start, to the nearest second.
inline std::string UptimeAfter(std::int64_t elapsedMs) {
    return FormatUptime((elapsedMs + 500) / 1000);
}

// The host address box: "IP / " and the part between the first and the second ";" of the
// host's address text; a text with fewer than two ";" leaves "IP / " alone.
std::string HostAddressBoxText(const std::string& url);

}  // namespace quorvex::server

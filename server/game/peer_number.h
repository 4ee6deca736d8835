#pragma once

// Numbers that peers send as text, made whole and narrowed with range checks: a text whose
// value is too large for the target (or for a double) yields nothing, and the message carrying
// it is dropped before anything changes.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvex::server {

std::optional<std::int32_t> PeerInt32(std::string_view text);
std::optional<std::int16_t> PeerInt16(std::string_view text);

}  // namespace quorvex::server

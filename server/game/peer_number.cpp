#include "server/game/peer_number.h"

#include "protocol/numeric.h"

namespace quorvex::server {

std::optional<std::int32_t> PeerInt32(std::string_view text) {
    const auto value = NumericValue(text);
    return value ? ToInt32(*value) : std::nullopt;
}

std::optional<std::int16_t> PeerInt16(std::string_view text) {
    const auto value = NumericValue(text);
    return value ? ToInt16(*value) : std::nullopt;
}

}  // namespace quorvex::server

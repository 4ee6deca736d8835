#include "protocol/messages.h"
#include "server/game/server_game.h"

namespace quorvex::server {

// A chat line over its sender's allowance and a claim for another player never reach the
// handlers; what was ignored is logged at most once a second for each kind.
bool ServerGame::OnReceiveFrom(std::int32_t sender, ByteView bytes, std::int64_t nowMs,
                               std::optional<std::string>& notice) {
    if (msg::PeekType(bytes) == static_cast<std::uint8_t>(msg::Type::Chat) &&
        !chat_.Spend(sender, nowMs, notice)) {
        return false;
    }
    if (const auto claim = ForeignClaim(sender, bytes)) {
        if (ignoredClaims_.Count(nowMs)) {
            notice = "Ignored " + *claim + " from player " + std::to_string(sender) + " (" +
                     std::to_string(ignoredClaims_.Take()) +
                     " such messages): a player speaks only for itself";
        }
        return false;
    }
    return Dispatch(bytes, sender);
}

}  // namespace quorvex::server

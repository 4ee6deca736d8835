#include "protocol/messages.h"
#include "server/game/peer_number.h"
#include "server/game/server_game.h"

namespace quorvex::server {

// Honest clients only ever name themselves: PlayerLeft and SeatRequest carry the sender's own
// identifier, and a miss the sender's own seat. Messages the handlers would drop anyway (too
// short, numbers out of range) are left to them, so nothing changes for those.
std::optional<std::string> ServerGame::ForeignClaim(std::int32_t sender, ByteView bytes) const {
    const auto type = msg::PeekType(bytes);
    if (!type) {
        return std::nullopt;
    }
    switch (static_cast<msg::Type>(*type)) {
        case msg::Type::PlayerLeft: {
            const auto left = msg::Decode<msg::PlayerLeft>(bytes);
            if (left && left->id != sender) {
                return "PlayerLeft for player " + std::to_string(left->id);
            }
            return std::nullopt;
        }
        case msg::Type::SeatRequest: {
            const auto request = msg::Decode<msg::SeatRequest>(bytes);
            const auto id = request ? PeerInt32(request->id) : std::nullopt;
            if (id && *id != sender) {
                return "SeatRequest for player " + std::to_string(*id);
            }
            return std::nullopt;
        }
        case msg::Type::BallEvent: {
            const auto event = msg::Decode<msg::BallEvent>(bytes);
            if (!event || event->kind == msg::kBallBounce) {
                return std::nullopt;
            }
            const auto seat = PeerInt16(event->value);
            if (!seat) {
                return std::nullopt;
            }
            const bool held = *seat >= 0 && static_cast<std::size_t>(*seat) < seats_.size() &&
                              PeerInt32(seats_[static_cast<std::size_t>(*seat)].playerIndex) ==
                                  std::optional<std::int32_t>(sender);
            if (!held) {
                return "a miss for seat " + std::to_string(*seat);
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace quorvex::server

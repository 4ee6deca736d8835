#include "protocol/messages.h"
#include "server/game/peer_number.h"
#include "server/game/server_game.h"

namespace quorvex::server {
namespace {

// How every client starts its chat lines: its own name, then this.
constexpr std::string_view kChatSeparator = ":>";

bool UnderName(std::string_view line, std::string_view name) {
    return line.starts_with(name) && line.substr(name.size()).starts_with(kChatSeparator);
}

}  // namespace

// Honest clients only ever speak for themselves: PlayerLeft and SeatRequest carry the sender's
// own identifier, a miss the sender's own seat, a bounce comes from a seated player judging
// its own side, and a Chat line starts with the sender's own name and ":>". Messages the
// handlers would drop anyway (too short, numbers out of range) are left to them, so nothing
// changes for those.
std::optional<std::string> ServerGame::ForeignClaim(std::int32_t sender, ByteView bytes) const {
    const auto type = msg::PeekType(bytes);
    if (!type) {
        return std::nullopt;
    }
    switch (static_cast<msg::Type>(*type)) {
        case msg::Type::Chat: {
            const auto chat = msg::Decode<msg::Chat>(bytes);
            const RosterEntry* own = FindPlayer(sender);
            if (chat && (own == nullptr || !UnderName(chat->line, own->name))) {
                return "a Chat line under another name than its own";
            }
            return std::nullopt;
        }
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
            if (event && event->kind == msg::kBallBounce && !HoldsSeat(sender)) {
                return "a bounce without a seat";
            }
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

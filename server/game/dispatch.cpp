#include <utility>

#include "protocol/messages.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {

ServerGame::ServerGame(Outbox& outbox, RandomSource random, Capacity capacity)
    : outbox_(outbox), random_(std::move(random)), capacity_(capacity) {
    if (!random_) {
        random_ = MakeDefaultRandomSource();
    }
    SetEvents(nullptr);
}

bool ServerGame::OnCreatePlayer(std::int32_t id, const std::string& name) {
    if (!hostPlayerKnown_) {
        hostPlayerKnown_ = true;
        hostPlayerId_ = id;
        return true;
    }
    return AddPlayer(name, id);
}

bool ServerGame::OnReceive(ByteView bytes) {
    return Dispatch(bytes, std::nullopt);
}

bool ServerGame::Dispatch(ByteView bytes, std::optional<std::int32_t> sender) {
    const auto type = msg::PeekType(bytes);
    if (!type) {
        return false;
    }
    switch (static_cast<msg::Type>(*type)) {
        case msg::Type::Chat:
            return RelayChat(bytes);
        case msg::Type::PlayerLeft: {
            const auto left = msg::Decode<msg::PlayerLeft>(bytes);
            return left && RemovePlayer(left->id);
        }
        case msg::Type::BallEvent:
            return HandleBallEvent(bytes);
        case msg::Type::PaddleUpdate:
            return RelayPaddle(bytes);
        case msg::Type::SeatRequest:
            return HandleSeatRequest(bytes, sender);
        case msg::Type::Ready:
            return HandleReady(bytes, sender);
        default:
            return false;
    }
}

bool ServerGame::RelayChat(ByteView bytes) {
    const auto chat = msg::Decode<msg::Chat>(bytes);
    return chat && SendToAll(outbox_, *chat);
}

// The paddle is passed on unchecked: only the clients make sense of it.
bool ServerGame::RelayPaddle(ByteView bytes) {
    const auto paddle = msg::Decode<msg::PaddleUpdate>(bytes);
    return paddle && SendToAll(outbox_, *paddle);
}

}  // namespace quorvex::server

#pragma once

// Test doubles for the server's game: a game whose outbox keeps what was sent, builders of
// incoming messages, and helpers that read the game's state back.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "protocol/messages.h"
#include "server/game/server_game.h"
#include "tests/support/recording_outbox.h"

namespace quorvex::server::harness {

using Rows = std::vector<std::string>;

using test::Bytes;
using test::RecordingOutbox;

// A game sending into its own recording outbox. The host's own player (id 1) and one client
// per name (ids 101, 102, ...) are connected, and what that sent is forgotten.
struct Game : RecordingOutbox, ServerGame {
    explicit Game(const Rows& names = {}, RandomSource random = MakeDefaultRandomSource(),
                  Capacity capacity = {})
        : ServerGame(static_cast<RecordingOutbox&>(*this), std::move(random), capacity) {
        OnCreatePlayer(1, "host");
        for (std::size_t i = 0; i < names.size(); ++i)
            OnCreatePlayer(static_cast<std::int32_t>(101 + i), names[i]);
        sent.clear();
    }
};

inline Buffer SeatRequest(std::uint8_t request, const std::string& id) {
    return Bytes(msg::SeatRequest{request, id});
}
inline Buffer BallEvent(std::uint8_t kind, const std::string& value) {
    return Bytes(msg::BallEvent{kind, value});
}
inline Buffer Ready() {
    return Bytes(msg::ReadyRequest{});
}

// A message as the host hands it over from `sender`: the sender check first, then the game
// when the check let it through. False when either turned it down.
inline bool From(ServerGame& game, std::int32_t sender, const Buffer& message) {
    std::optional<std::string> notice;
    return game.OnReceiveFrom(sender, message, 0, notice);
}

// An observer keeping the requests the game ignored.
struct IgnoredRequests : GameEvents {
    void RequestIgnored(std::int32_t player, IgnoredRequest what) override {
        ignored.emplace_back(player, what);
    }
    std::vector<std::pair<std::int32_t, IgnoredRequest>> ignored;
};

inline Rows Column(const ServerGame& game, std::string SeatRow::*field) {
    Rows texts;
    for (const auto& row : game.Seats())
        texts.push_back(row.*field);
    return texts;
}

// Every piece of held state as one text, to show that something changed nothing.
inline std::string Dump(const ServerGame& game) {
    std::ostringstream out;
    for (const auto& e : game.Roster())
        out << e.id << ':' << e.name << ';';
    for (const auto& r : game.Seats())
        out << '|' << r.playerIndex << ',' << r.playerWins << ',' << r.playerMisses;
    out << '|' << game.ReadyCount() << '|' << static_cast<int>(game.SelectedGameType()) << '|'
        << game.Limit() << '|' << game.BallLeft() << ',' << game.BallTop() << ','
        << game.BallAngle();
    return out.str();
}

}  // namespace quorvex::server::harness

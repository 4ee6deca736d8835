#pragma once

// Test doubles for the server's game: an outbox that keeps and decodes what was sent, and
// helpers that build incoming messages and drive a game into shape.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "protocol/outbox.h"
#include "server/game/server_game.h"

namespace quorvex::server::harness {

class RecordingOutbox : public Outbox {
  public:
    bool Send(const Buffer& message) override {
        if (refuseFrom && sent.size() >= *refuseFrom) {
            return false;
        }
        sent.push_back(message);
        return true;
    }

    std::vector<std::uint8_t> Types() const {
        std::vector<std::uint8_t> types;
        for (const auto& m : sent) {
            types.push_back(m.at(0));
        }
        return types;
    }

    template <class M>
    std::optional<M> At(std::size_t index) const {
        return index < sent.size() ? msg::Decode<M>(sent[index]) : std::nullopt;
    }

    template <class M>
    std::optional<M> Last() const {
        return sent.empty() ? std::nullopt : At<M>(sent.size() - 1);
    }

    std::vector<Buffer> sent;
    // Sends are refused once this many have been accepted.
    std::optional<std::size_t> refuseFrom;
};

template <class M>
Buffer Bytes(const M& message) {
    return *msg::Encode(message);
}

inline Buffer SeatRequest(std::uint8_t request, const std::string& id) {
    return Bytes(msg::SeatRequest{request, id});
}

inline Buffer BallEvent(std::uint8_t kind, const std::string& value) {
    return Bytes(msg::BallEvent{kind, value});
}

inline Buffer Ready() {
    return Bytes(msg::ReadyRequest{});
}

// Connects the host's own player (id 1) and then one client per name, ids 101, 102, ...
inline void Connect(ServerGame& game, const std::vector<std::string>& names) {
    if (!game.HostPlayerKnown()) {
        game.OnCreatePlayer(1, "host");
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        game.OnCreatePlayer(static_cast<std::int32_t>(101 + i), names[i]);
    }
}

inline std::vector<std::string> Column(const ServerGame& game, std::string SeatRow::*field) {
    std::vector<std::string> texts;
    for (const auto& row : game.Seats()) {
        texts.push_back(row.*field);
    }
    return texts;
}

// Every piece of held state as one text, to show that something changed nothing.
inline std::string Dump(const ServerGame& game) {
    std::ostringstream out;
    for (const auto& e : game.Roster()) {
        out << e.id << ':' << e.name << ';';
    }
    out << '|';
    for (const auto& r : game.Seats()) {
        out << r.playerIndex << ',' << r.playerName << ',' << r.playerWins << ',' << r.playerMisses
            << ';';
    }
    out << '|' << game.ReadyCount() << '|' << static_cast<int>(game.SelectedGameType()) << '|'
        << game.Limit() << '|' << game.BallLeft() << ',' << game.BallTop() << ','
        << game.BallAngle() << '|' << game.HostPlayerId();
    return out.str();
}

}  // namespace quorvex::server::harness

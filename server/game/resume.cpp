// A player whose connection went and came back within its grace: the game takes it back as it
// was, and only that player is brought up to date; the others never knew it was gone.

#include "protocol/numeric.h"
#include "server/game/server_game.h"

namespace quorvex::server {

bool ServerGame::OnResumePlayer(std::int32_t id) {
    const RosterEntry* entry = FindPlayer(id);
    if (entry == nullptr) {
        return false;
    }
    drops_.Remove(id);
    events_->PlayerResumed(*entry);
    return true;
}

std::vector<Buffer> ServerGame::CatchUp() const {
    std::vector<Buffer> messages;
    const auto add = [&messages](const auto& message) {
        if (auto bytes = msg::Encode(message)) {
            messages.push_back(std::move(*bytes));
        }
    };
    add(msg::Roster{roster_});
    msg::Scoreboard board;
    for (const auto& row : seats_) {
        board.seats.push_back({row.playerIndex, row.playerWins, row.playerMisses});
    }
    add(board);
    if (lobbyShown_) {
        add(msg::GameSettings{static_cast<std::uint8_t>(gameType_), limit_});
        add(msg::ReadyTally{FormatInteger(readyCount_)});
    }
    return messages;
}

}  // namespace quorvex::server

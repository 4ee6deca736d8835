#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/limit_text.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {

// The ready count falls with every settings message: after a round ends or the operator
// changes the game, the ball waits for the players to declare themselves again.
bool ServerGame::SendGameSettings() {
    readyCount_ = 0;
    readyGiven_.clear();
    heardLobby_.clear();
    for (const auto& entry : roster_) {
        heardLobby_.insert(entry.id);
    }
    return SendToAll(outbox_, msg::GameSettings{static_cast<std::uint8_t>(gameType_), limit_});
}

bool ServerGame::PickGameType(GameType type) {
    if (type != GameType::Points && type != GameType::Survivor && type != GameType::FreeForAll) {
        return false;
    }
    gameType_ = type;
    // A Points round ends when a seat reaches the limit, which a limit of 0 would do at once.
    if (type == GameType::Points && NumericValue(limit_).value_or(0.0) < 1) {
        limit_ = "1";
    }
    events_->SettingsChanged();
    if (!SendGameSettings()) {
        return false;
    }
    // Clients see the cleared misses with the next Scoreboard.
    for (auto& row : seats_) {
        row.playerMisses = "0";
    }
    return true;
}

bool ServerGame::SetLimitText(std::string_view text) {
    if (!ValidLimitText(text)) {
        limit_ = "0";
        return false;
    }
    // Nothing is sent: the rules use the new limit at once, the clients hear of it with the
    // next GameSettings.
    limit_ = std::string(text);
    events_->SettingsChanged();
    return true;
}

}  // namespace quorvex::server

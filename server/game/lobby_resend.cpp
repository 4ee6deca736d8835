#include "server/game/server_game.h"

namespace quorvex::server {

// Nobody sits at a desk to pick the game again when someone takes a seat in a waiting lobby,
// and a newcomer hears of the lobby only from a settings message: without one it could never
// press Ready, and a Points or Survivor round would wait for it for ever. Only a player who
// has not heard this lobby's settings needs them: one who stands up and sits down again, over
// and over, must not make everyone press Ready again each time.
void ServerGame::NoteSeatTaken(std::int32_t id) {
    if (lobbyResend_ && gameType_ != GameType::FreeForAll && !ballTimerRunning_ &&
        !heardLobby_.contains(id)) {
        lobbyResendDue_ = true;
    }
}

bool ServerGame::ResendLobby() {
    const bool due = LobbyResendDue();
    lobbyResendDue_ = false;
    // As the operator's pick of the same game would: everyone is asked to be ready again.
    return due && PickGameType(gameType_);
}

}  // namespace quorvex::server

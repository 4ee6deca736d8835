#pragma once

// The dedicated server's log: one line per event on a stream (standard output), each with the
// local date and time. Names come from the players and may hold anything, so they are quoted
// and their control characters escaped: one event stays one line.

#include <cstdio>
#include <string>
#include <string_view>

#include "server/game/game_events.h"
#include "server/game/server_game.h"

namespace quorvex::server {

// `text` in double quotes; quotes, backslashes and control bytes escaped as \", \\ and \xNN.
std::string LogQuoted(std::string_view text);
// `102 "Ann"`: how the log names a player.
std::string LogPlayer(const std::string& id, std::string_view name);

class EventLog : public GameEvents {
  public:
    EventLog(const ServerGame& game, std::FILE* out) : game_(game), out_(out) {}

    // One line, time stamp first; written through at once, as a pipe would otherwise hold it.
    void Line(std::string_view text);

    void PlayerJoined(const RosterEntry& player) override;
    void PlayerRemoved(const RosterEntry& player, RemoveCause cause) override;
    void PlayerDropped(const RosterEntry& player) override;
    void ConnectionClosed(std::int32_t id) override;
    void SeatsChanged() override;
    void SettingsChanged() override;
    void RoundEnded(const std::vector<SeatRow>& result) override;

  private:
    const ServerGame& game_;
    std::FILE* out_;
};

}  // namespace quorvex::server

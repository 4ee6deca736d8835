#pragma once

// What happened in the game, for an observer that records it (the dedicated server's log).
// Every call comes after the change it reports, before any message it causes is sent, so an
// observer sees the event even when that send fails. An observer only watches: it must not
// call back into the game from here.

#include <vector>

#include "server/game/game_types.h"

namespace quorvex::server {

// Why a player left the roster.
enum class RemoveCause {
    Left,     // the client said so (PlayerLeft)
    Kicked,   // the operator removed it
    Dropped,  // its connection was gone for the grace time
};

class GameEvents {
  public:
    virtual ~GameEvents() = default;
    virtual void PlayerJoined(const RosterEntry& /*player*/) {}
    virtual void PlayerRemoved(const RosterEntry& /*player*/, RemoveCause /*cause*/) {}
    // The session reported the player's connection gone; it stays on the roster for now.
    virtual void PlayerDropped(const RosterEntry& /*player*/) {}
    // The connection of a player no longer on the roster (kicked, or left) is gone too.
    virtual void ConnectionClosed(std::int32_t /*id*/) {}
    virtual void SeatsChanged() {}
    virtual void SettingsChanged() {}
    // `result`: every seat as the round left it, with the new wins and the misses that ended
    // the round (before they went back to "0").
    virtual void RoundEnded(const std::vector<SeatRow>& /*result*/) {}
};

}  // namespace quorvex::server

#pragma once

// What happened in the game, for an observer that records it (the dedicated server's log).
// Every call comes after the change it reports, before any message it causes is sent, so an
// observer sees the event even when that send fails. An observer only watches: it must not
// call back into the game from here.

#include <cstdint>
#include <vector>

#include "server/game/game_types.h"

namespace quorvex::server {

// Why a player left the roster.
enum class RemoveCause {
    Left,     // the client said so (PlayerLeft)
    Kicked,   // the operator removed it
    Dropped,  // its connection was gone for the grace time
};

// What the game turned down of a player's request: that part changed nothing and sent nothing.
enum class IgnoredRequest {
    // A further seat for a player who holds one, with the table at the session's player maximum.
    SeatOverPlayerMaximum,
    // A seat the Scoreboard could no longer carry.
    SeatTableFull,
    // A second Ready from the same player in one lobby.
    ReadyAgain,
    // A withdrawal of a ready the player had not given in this lobby; its seat still goes.
    ReadyNotGiven,
    // A Ready from a connection that is not on the roster.
    ReadyFromNonPlayer,
};

class GameEvents {
  public:
    virtual ~GameEvents() = default;
    virtual void PlayerJoined(const RosterEntry& /*player*/) {}
    virtual void PlayerRemoved(const RosterEntry& /*player*/, RemoveCause /*cause*/) {}
    // The session reported the player's connection gone; it stays on the roster for now.
    virtual void PlayerDropped(const RosterEntry& /*player*/) {}
    // A lost player came back on a new connection, as itself.
    virtual void PlayerResumed(const RosterEntry& /*player*/) {}
    // The connection of a player no longer on the roster (kicked, or left) is gone too.
    virtual void ConnectionClosed(std::int32_t /*id*/) {}
    virtual void SeatsChanged() {}
    virtual void SettingsChanged() {}
    // `result`: every seat as the round left it, with the new wins and the misses that ended
    // the round (before they went back to "0").
    virtual void RoundEnded(const std::vector<SeatRow>& /*result*/) {}
    virtual void RequestIgnored(std::int32_t /*player*/, IgnoredRequest /*what*/) {}
};

}  // namespace quorvex::server

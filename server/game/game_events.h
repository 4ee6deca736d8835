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

// An observer that hears the game first and passes every event on to the next one (the log,
// say); a subclass overrides what it wants to hear and calls the same member here. Kept beside
// the interface so that a new event is passed on as soon as it exists.
class PassingEvents : public GameEvents {
  public:
    // nullptr: nothing is passed on.
    void SetNext(GameEvents* next) { next_ = next; }

    void PlayerJoined(const RosterEntry& player) override {
        if (next_)
            next_->PlayerJoined(player);
    }
    void PlayerRemoved(const RosterEntry& player, RemoveCause cause) override {
        if (next_)
            next_->PlayerRemoved(player, cause);
    }
    void PlayerDropped(const RosterEntry& player) override {
        if (next_)
            next_->PlayerDropped(player);
    }
    void PlayerResumed(const RosterEntry& player) override {
        if (next_)
            next_->PlayerResumed(player);
    }
    void ConnectionClosed(std::int32_t id) override {
        if (next_)
            next_->ConnectionClosed(id);
    }
    void SeatsChanged() override {
        if (next_)
            next_->SeatsChanged();
    }
    void SettingsChanged() override {
        if (next_)
            next_->SettingsChanged();
    }
    void RoundEnded(const std::vector<SeatRow>& result) override {
        if (next_)
            next_->RoundEnded(result);
    }
    void RequestIgnored(std::int32_t player, IgnoredRequest what) override {
        if (next_)
            next_->RequestIgnored(player, what);
    }

  private:
    GameEvents* next_ = nullptr;
};

}  // namespace quorvex::server

#pragma once

// What happened in the game that a player notices at once, as the state recognises it while it
// handles a message: a window may make it heard. Judging and sending never depend on these.

#include <cstdint>

namespace quorvex::client {

enum class HappeningKind : std::uint8_t {
    kWallBounce,     // the ball reached a window edge it was not beyond at the last report
    kOwnHit,         // this client judged a hit on its own paddle
    kOtherHit,       // the ball turned with no edge, own hit or new round to explain it
    kOwnMiss,        // the Scoreboard counts one more miss on the own seat
    kOtherMiss,      // ... on someone else's seat
    kRoundStart,     // the first ball report after everyone declared ready
    kLobbyOpened,    // the lobby frame appeared
    kEveryoneReady,  // the ready count reached the seats and the lobby went away
    kOthersChat,     // a chat line under another name than ours
    kConnectionLost,
};

struct Happening {
    HappeningKind kind = HappeningKind::kWallBounce;
    float x = 0;  // where on the surface it happened, twips (the ball's centre, a missed side's)
};

}  // namespace quorvex::client

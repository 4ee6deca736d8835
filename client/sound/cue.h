#pragma once

// The client's sounds and the rule that picks one for what happened in the game. Plain C++.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "client/state/happening.h"

namespace quorvex::client::sound {

enum class Cue : std::uint8_t {
    kWallBounce,
    kOwnHit,
    kOtherHit,
    kOwnMiss,
    kOtherMiss,
    kRoundStart,
    kLobbyOpened,
    kEveryoneReady,
    kChat,
    kConnectionLost,
};
inline constexpr std::size_t kCueCount = 10;

// One sound to start: which, and where between the left (-1) and the right (1) speaker.
struct CueRequest {
    Cue cue = Cue::kWallBounce;
    float pan = 0;
};

// How far the arena's edges pan: never wholly into one ear, which sounds like a fault.
inline constexpr float kPanReach = 0.7f;

// The sound for a happening, panned by where it happened (the arena's centre is the middle);
// round, lobby, ready, chat and the lost connection are no place on the arena and sound in
// the middle.
CueRequest CueFor(const Happening& happening);

}  // namespace quorvex::client::sound

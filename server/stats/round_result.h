#pragma once

// One finished round as the standings keep it, and who won it. Plain C++.

#include <cstdint>
#include <string>
#include <vector>

#include "server/game/game_types.h"

namespace quorvex::server::stats {

struct PlayerTally {
    std::string name;
    int wins = 0;  // 1 for a winner of the round
    std::int64_t misses = 0;
};

struct RoundResult {
    std::int64_t endedAtMs = 0;  // wall clock, milliseconds since 1970
    std::string gameType;        // "points", "survivor"
    std::string limit;
    std::vector<PlayerTally> players;
};

// The round's result from the seat table as it ended. Points: the seats with the fewest misses
// win (the one at the limit lost); Survivor: the seats still at or under the limit. A player
// with several seats counts once per seat.
RoundResult ResultOf(GameType type, const std::string& limit, const std::vector<SeatRow>& seats,
                     std::int64_t endedAtMs);

// The evening a time belongs to: from 06:00 local time to the next, so that a party going on
// past midnight stays one evening. Milliseconds since 1970 of the start of `nowMs`'s evening,
// given the local time's offset from UTC in seconds.
std::int64_t EveningStartMs(std::int64_t nowMs, std::int64_t utcOffsetSeconds);

}  // namespace quorvex::server::stats

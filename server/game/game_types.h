#pragma once

// The plain data that the server's game state is made of.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/messages.h"

namespace quorvex::server {

// One connected player: `name` (the name the client announced), then `id` (the session's
// player identifier). The same layout travels in every Roster message.
using RosterEntry = msg::RosterEntry;

// Every connected player in order of arrival, the newest last.
using PlayerRoster = std::vector<RosterEntry>;

// One seat: a row of the four Player List boxes. Numbers are kept as the texts the boxes show
// and are read back with NumericValue.
struct SeatRow {
    std::string playerIndex;   // PlayerIndex: the identifier as decimal text
    std::string playerName;    // PlayerName
    std::string playerWins;    // PlayerWins
    std::string playerMisses;  // PlayerMisses
};

enum class GameType : std::uint8_t {
    Points = msg::kGamePoints,
    Survivor = msg::kGameSurvivor,
    FreeForAll = msg::kGameFreeForAll,
};

// How many roster entries and seat rows the server holds. Roster carries its last index and
// Scoreboard its count as 16-bit signed numbers, so the defaults are the most either can say;
// past them a newcomer is refused rather than sent a list that cannot be written.
// `messageBytes` is the largest message the session can carry: the roster and the seat table
// also stay within what one Roster and one Scoreboard of that size can hold.
struct Capacity {
    std::size_t rosterEntries = 32768;
    std::size_t seatRows = 32767;
    std::size_t messageBytes = std::numeric_limits<std::size_t>::max();
};

// The ball's upper-left corner at the start of every run, in the clients' arena units.
inline constexpr std::string_view kBallStartLeft = "5235";
inline constexpr std::string_view kBallStartTop = "3750";

}  // namespace quorvex::server

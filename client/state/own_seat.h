#pragma once

// The seat table as the server last sent it, and the question everything else asks of it:
// which seat, if any, is ours.

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::client {

// One seat: the four list boxes' texts of one row, so the columns always have equal length.
struct SeatTableRow {
    std::string PlayerIndex;  // the player identifier as the server wrote it
    std::string PlayerName;   // looked up in the roster; empty for an unknown identifier
    std::string PlayerWins;
    std::string PlayerMisses;
};

using SeatTable = std::vector<SeatTableRow>;

// The first row whose PlayerIndex has the numeric value myId, -1 when there is none. Never
// stored: every caller asks afresh, so a new seat list is followed at once.
int PlayerID(const SeatTable& seats, std::int32_t myId);

}  // namespace quorvex::client

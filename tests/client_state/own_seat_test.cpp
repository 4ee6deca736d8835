#include "client/state/own_seat.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace quorvex::client {
namespace {

// The own seat compares numeric values of the rows without rounding, the first match wins, and
// an unknown MyID (0) or a number no double holds must not match by accident.
TEST(PlayerID, FindsTheFirstRowHoldingMyID) {
    const struct {
        const char* rows;  // PlayerIndex texts, '|'-separated
        std::int32_t myId;
        int seat;
    } cases[] = {{"11|22|33", 22, 1}, {"5|22|22", 22, 1},  {"", 22, -1},     {"", 0, -1},
                 {"11|22", 0, -1},    {"11|   22", 22, 1}, {"22abc", 22, 0}, {"7|-7", -7, 1},
                 {"22.4|22", 22, 1},  {"1e999|0", 0, 1},   {"11|22", 33, -1}};
    for (const auto& c : cases) {
        SeatTable seats;
        std::istringstream rows(c.rows);
        for (std::string id; std::getline(rows, id, '|');)
            seats.push_back({id, "n", "0", "0"});
        EXPECT_EQ(PlayerID(seats, c.myId), c.seat) << c.rows << " / " << c.myId;
    }
}

}  // namespace
}  // namespace quorvex::client

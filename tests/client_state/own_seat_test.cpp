#include "client/state/own_seat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvex::client {
namespace {

struct SeatCase {
    const char* name;
    std::vector<std::string> ids;
    std::int32_t myId;
    int seat;
};

class PlayerIDCase : public ::testing::TestWithParam<SeatCase> {};

TEST_P(PlayerIDCase, FindsTheFirstRowHoldingMyID) {
    const auto& c = GetParam();
    SeatTable seats;
    for (const auto& id : c.ids)
        seats.push_back({id, "n", "0", "0"});
    EXPECT_EQ(PlayerID(seats, c.myId), c.seat);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayerIDCase,
    ::testing::Values(SeatCase{"SecondRow", {"11", "22", "33"}, 22, 1},
                      SeatCase{"SeatedTwiceGivesTheFirst", {"5", "22", "22"}, 22, 1},
                      SeatCase{"EmptyTable", {}, 22, -1},
                      SeatCase{"EmptyTableWhileMyIDUnknown", {}, 0, -1},
                      SeatCase{"LeadingBlanks", {"11", "   22"}, 22, 1},
                      SeatCase{"UnknownMyIDAgainstRealIds", {"11", "22"}, 0, -1},
                      SeatCase{"TrailingLettersIgnored", {"22abc"}, 22, 0},
                      SeatCase{"NegativeIdentifier", {"7", "-7"}, -7, 1},
                      SeatCase{"NoRounding", {"22.5", "22"}, 22, 1},
                      SeatCase{"TooLargeNamesNobody", {"1e999", "0"}, 0, 1},
                      SeatCase{"NotSeated", {"11", "22"}, 33, -1}),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace quorvex::client

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;
using enum GameType;

// The round-end rule of each game type: Points wins are limit less misses and replace earlier
// wins; Survivor ends when all but two seats are over the limit; Free 4 All never ends. An end
// resends the settings and sets the ready count to 0.
TEST(Rounds, EndByTheRuleOfTheGameType) {
    struct Case {
        GameType type;
        std::string limit;              // set after the game type is picked
        std::vector<int> missesBySeat;  // in order of occurrence
        Rows wins, misses;
        long ends;
    };
    const Case cases[] = {
        {Points, "3", {1, 0, 0, 0}, {"0", "2", "3"}, {"0", "0", "0"}, 1},
        {Points, "3", {0, 0, 1}, {"0", "0"}, {"2", "1"}, 0},
        {Points, "0", {0}, {"-1", "0"}, {"0", "0"}, 1},
        {Points, "05", {0, 0, 0, 0, 0}, {"0"}, {"0"}, 1},
        {Points, "1", {0, 0}, {"0", "1"}, {"0", "0"}, 2},
        {Survivor, "2", {1, 2, 2, 0, 0, 0}, {"0", "1", "1"}, {"0", "0", "0"}, 1},
        {Survivor, "2", {1, 2, 2, 0, 0}, {"0", "0", "0"}, {"2", "1", "2"}, 0},
        {Survivor, "1", {1}, {"1", "1"}, {"0", "0"}, 1},
        {Survivor, "0", {1, 0, 1}, {"0", "0"}, {"1", "2"}, 0},
        {FreeForAll, "1", {0, 0, 0, 1}, {"0", "0"}, {"3", "1"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        Game g(Rows(c.wins.size(), "p"));
        g.PickGameType(c.type);
        ASSERT_TRUE(g.SetLimitText(c.limit));
        g.OnReceive(Ready());
        g.sent.clear();
        for (const int seat : c.missesBySeat)
            g.CountMiss(seat);
        EXPECT_EQ(Column(g, &SeatRow::playerWins), c.wins);
        EXPECT_EQ(Column(g, &SeatRow::playerMisses), c.misses);
        const Buffer settings =
            Bytes(msg::GameSettings{static_cast<std::uint8_t>(c.type), c.limit});
        EXPECT_EQ(std::count(g.sent.begin(), g.sent.end(), settings), c.ends);
        EXPECT_EQ(g.ReadyCount(), c.ends ? 0 : 1);
    }
}

// Points ends only when a seat's misses equal the limit: a limit lowered under misses already
// counted ends nothing until some seat reaches it exactly.
TEST(Rounds, PointsEndsOnlyAtExactlyTheLimit) {
    Game g({"a", "b"});
    g.PickGameType(Points);
    ASSERT_TRUE(g.SetLimitText("5"));
    for (const int seat : {0, 0, 0})
        g.CountMiss(seat);
    ASSERT_TRUE(g.SetLimitText("2"));
    g.CountMiss(1);
    EXPECT_EQ(Column(g, &SeatRow::playerMisses), (Rows{"3", "1"}));
    g.CountMiss(1);
    EXPECT_EQ(Column(g, &SeatRow::playerWins), (Rows{"-1", "0"}));
}

// Every Ready counts and is announced; the count stays inside 16 bits at both ends, and a
// withdrawal refused at the bottom keeps its seat too.
TEST(ReadyCount, CountsEveryReadyWithinSixteenBits) {
    Game high, low({"ann"});
    high.OnReceive(Ready());
    high.OnReceive(Ready());
    EXPECT_EQ(high.sent.back(), Bytes(msg::ReadyTally{"2"}));
    while (high.ReadyCount() < 32767)
        ASSERT_TRUE(high.OnReceive(Ready()));
    while (low.ReadyCount() > -32768)
        low.OnReceive(SeatRequest(3, "999"));
    high.sent.clear();
    low.sent.clear();
    high.OnReceive(Ready());
    low.OnReceive(SeatRequest(3, "101"));
    EXPECT_EQ(high.ReadyCount(), 32767);
    EXPECT_EQ(low.ReadyCount(), -32768);
    EXPECT_EQ(low.Seats().size(), 1u);
    EXPECT_TRUE(high.sent.empty() && low.sent.empty());
}

// The limit box takes one or two digits only; anything else falls back to "0". Nothing is sent.
TEST(Limit, OneOrTwoDigitsOnlyAndInvalidFallsBackToZero) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},   {"7", true},  {"75", true}, {"753", false}, {"05", true},
        {" 1", false}, {"99", true}, {"0", true},  {"/", false},   {":", false}};
    for (const auto& [text, valid] : cases) {
        Game g;
        g.SetLimitText("42");
        EXPECT_EQ(g.SetLimitText(text), valid) << text;
        EXPECT_EQ(g.Limit(), valid ? text : "0");
        EXPECT_TRUE(g.sent.empty());
    }
}

// A pick sends exactly one GameSettings (Points raising a limit below 1 to "1"), sets the ready
// count to 0 and every seat's misses to "0", and keeps the wins.
TEST(PickGameType, SendsOneSettingsClearsMissesAndReadyKeepsWins) {
    using Pick = std::tuple<GameType, std::string, std::string>;  // type, limit before, sent
    const Pick cases[] = {{Points, "0", "1"},
                          {Points, "00", "1"},
                          {Points, "07", "07"},
                          {Survivor, "0", "0"},
                          {FreeForAll, "0", "0"}};
    for (const auto& [type, limitBefore, limitSent] : cases) {
        Game g({"ann", "bob"});
        g.PickGameType(Points);
        g.CountMiss(0);  // wins "0" and "1"
        g.PickGameType(FreeForAll);
        g.CountMiss(1);
        g.OnReceive(Ready());
        ASSERT_TRUE(g.SetLimitText(limitBefore));
        g.sent.clear();
        g.PickGameType(type);
        const auto sentType = static_cast<std::uint8_t>(type);
        EXPECT_EQ(g.sent, std::vector<Buffer>{Bytes(msg::GameSettings{sentType, limitSent})});
        EXPECT_EQ(g.ReadyCount(), 0);
        EXPECT_EQ(Column(g, &SeatRow::playerMisses), (Rows{"0", "0"}));
        EXPECT_EQ(Column(g, &SeatRow::playerWins), (Rows{"0", "1"}));
    }
}

}  // namespace
}  // namespace quorvex::server

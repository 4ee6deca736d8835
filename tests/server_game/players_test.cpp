#include <gtest/gtest.h>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using harness::Column;
using harness::Connect;
using harness::Dump;
using harness::RecordingOutbox;

constexpr std::uint8_t kRoster = 2, kPlayerLeft = 3, kScoreboard = 4;

TEST(Joining, HostPlayerIsOnlyRemembered) {
    RecordingOutbox out;
    ServerGame game(out);
    game.OnCreatePlayer(77, "host");
    EXPECT_EQ(game.HostPlayerId(), 77);
    EXPECT_TRUE(game.Roster().empty());
    EXPECT_TRUE(out.sent.empty());
    EXPECT_EQ(game.LastRosterIndex(), -1);
}

TEST(Joining, FirstClientGetsRosterThenScoreboardButNoSettings) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann"});
    ASSERT_EQ(out.Types(), (std::vector<std::uint8_t>{kRoster, kScoreboard}));
    EXPECT_EQ(out.sent[0][1], 0);  // the last index, not the count
    EXPECT_EQ(out.sent[0][2], 0);
    const auto roster = out.At<msg::Roster>(0);
    ASSERT_EQ(roster->entries.size(), 1u);
    EXPECT_EQ(roster->entries[0].id, 101);
    EXPECT_EQ(roster->entries[0].name, "ann");
    const auto board = out.At<msg::Scoreboard>(1);
    ASSERT_EQ(board->seats.size(), 1u);
    EXPECT_EQ(board->seats[0].id, "101");
    EXPECT_EQ(board->seats[0].wins, "0");
    EXPECT_EQ(board->seats[0].misses, "0");
    EXPECT_EQ(game.LastRosterIndex(), 0);
}

struct SeatRequestCase {
    std::uint8_t request;
    std::string id;
    std::vector<std::string> rows;  // PlayerIndex afterwards
    int ready;
    bool scoreboard;
};

class SeatRequests : public ::testing::TestWithParam<SeatRequestCase> {};

// Starting from ann (101) and bob (102) seated, ready count 0.
TEST_P(SeatRequests, ChangeSeatsAndReadyCount) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    out.sent.clear();
    game.OnReceive(harness::SeatRequest(c.request, c.id));
    EXPECT_EQ(Column(game, &SeatRow::playerIndex), c.rows);
    EXPECT_EQ(game.ReadyCount(), c.ready);
    EXPECT_EQ(out.Types(),
              c.scoreboard ? std::vector<std::uint8_t>{kScoreboard} : std::vector<std::uint8_t>{});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SeatRequests,
    ::testing::Values(SeatRequestCase{1, "101", {"101", "102", "101"}, 0, true},
                      SeatRequestCase{2, "101", {"102"}, 0, true},
                      SeatRequestCase{3, "102", {"101"}, -1, true},
                      SeatRequestCase{3, "999", {"101", "102"}, -1, false},
                      SeatRequestCase{1, "999", {"101", "102"}, 0, false},
                      SeatRequestCase{0, "101", {"101", "102"}, 0, false},
                      SeatRequestCase{4, "101", {"101", "102"}, 0, false},
                      SeatRequestCase{1, " 101.4xyz", {"101", "102", "101"}, 0, true},
                      SeatRequestCase{1, "101.5", {"101", "102", "102"}, 0, true},
                      SeatRequestCase{1, "1e30", {"101", "102"}, 0, false},
                      SeatRequestCase{1, "99999999999", {"101", "102"}, 0, false},
                      SeatRequestCase{3, "99999999999", {"101", "102"}, 0, false},
                      SeatRequestCase{3, "1e999", {"101", "102"}, 0, false}));

TEST(Leaving, SeatedPlayerGetsScoreboardBeforePlayerLeft) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    out.sent.clear();
    game.OnReceive(harness::Bytes(msg::PlayerLeft{101}));
    ASSERT_EQ(out.Types(), (std::vector<std::uint8_t>{kScoreboard, kPlayerLeft}));
    EXPECT_EQ(out.At<msg::Scoreboard>(0)->seats.at(0).id, "102");
    EXPECT_EQ(out.At<msg::PlayerLeft>(1)->id, 101);
    ASSERT_EQ(game.Roster().size(), 1u);
    EXPECT_EQ(game.Roster()[0].id, 102);
}

TEST(Leaving, UnseatedPlayerGetsOnlyPlayerLeftAndUnknownNothing) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.OnReceive(harness::SeatRequest(2, "101"));
    out.sent.clear();
    game.OnReceive(harness::Bytes(msg::PlayerLeft{999}));
    EXPECT_TRUE(out.sent.empty());
    game.OnReceive(harness::Bytes(msg::PlayerLeft{101}));
    EXPECT_EQ(out.Types(), (std::vector<std::uint8_t>{kPlayerLeft}));
}

TEST(Leaving, PlayerWithTwoSeatsLeavesNoRow) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.OnReceive(harness::SeatRequest(1, "101"));
    out.sent.clear();
    game.RemovePlayer(101);
    EXPECT_EQ(Column(game, &SeatRow::playerIndex), (std::vector<std::string>{"102"}));
    ASSERT_EQ(out.Types(), (std::vector<std::uint8_t>{kScoreboard, kPlayerLeft}));
    EXPECT_EQ(out.At<msg::Scoreboard>(0)->seats.size(), 1u);
}

// Seats 0 to 3: ann (101), bob (102), cy (103), ann again.
TEST(Kick, RemovesThePlayerOfTheSelectedRowEverywhere) {
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {{0, {"102", "103"}},
                                                                         {1, {"101", "103", "101"}},
                                                                         {2, {"101", "102", "101"}},
                                                                         {3, {"102", "103"}}};
    for (const auto& [row, rowsLeft] : cases) {
        RecordingOutbox out;
        ServerGame game(out);
        Connect(game, {"ann", "bob", "cy"});
        game.OnReceive(harness::SeatRequest(1, "101"));
        const std::int32_t kicked = 101 + (row % 3);
        game.Kick(row);
        EXPECT_EQ(Column(game, &SeatRow::playerIndex), rowsLeft) << row;
        EXPECT_EQ(game.Roster().size(), 2u);
        for (const auto& entry : game.Roster()) {
            EXPECT_NE(entry.id, kicked);
        }
        EXPECT_EQ(out.Last<msg::PlayerLeft>()->id, kicked);
    }
}

TEST(Kick, NoSelectionOrNoSuchRowDoesNothing) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    out.sent.clear();
    const auto before = Dump(game);
    for (const auto row : {std::optional<int>{}, std::optional<int>{2}, std::optional<int>{-1}}) {
        game.Kick(row);
    }
    EXPECT_EQ(Dump(game), before);
    EXPECT_TRUE(out.sent.empty());
}

TEST(Capacity, DefaultsAreTheLargestListsTheMessagesCanCarry) {
    const Capacity limits;
    msg::Scoreboard board{std::vector<msg::SeatRow>(limits.seatRows)};
    EXPECT_TRUE(msg::Encode(board));
    board.seats.emplace_back();
    EXPECT_FALSE(msg::Encode(board));
    msg::Roster roster{std::vector<msg::RosterEntry>(limits.rosterEntries)};
    EXPECT_TRUE(msg::Encode(roster));
    roster.entries.emplace_back();
    EXPECT_FALSE(msg::Encode(roster));
}

TEST(Capacity, FullListsRefuseWithoutChangeOrMessage) {
    RecordingOutbox out;
    ServerGame game(out, MakeDefaultRandomSource(), Capacity{3, 2});
    Connect(game, {"ann", "bob", "cy"});  // cy joins the roster but finds no seat
    EXPECT_EQ(game.Roster().size(), 3u);
    EXPECT_EQ(game.Seats().size(), 2u);
    out.sent.clear();
    const auto before = Dump(game);
    game.OnCreatePlayer(104, "dee");
    game.OnReceive(harness::SeatRequest(1, "103"));
    EXPECT_EQ(Dump(game), before);
    EXPECT_TRUE(out.sent.empty());
}

TEST(FailedSend, StopsTheOperationKeepingEarlierChanges) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann"});
    out.refuseFrom = out.sent.size();
    game.AddPlayer("bob", 102);  // the Roster is refused: no seat follows
    EXPECT_EQ(game.Roster().size(), 2u);
    EXPECT_EQ(game.Seats().size(), 1u);
    game.RemovePlayer(101);  // the Scoreboard is refused: the player is gone all the same
    EXPECT_EQ(game.Roster().size(), 1u);
    EXPECT_TRUE(game.Seats().empty());
}

}  // namespace
}  // namespace quorvex::server

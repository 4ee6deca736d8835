#include <gtest/gtest.h>

#include <tuple>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;

// The host's own player is only remembered; the first client gets Roster (carrying the last
// index, not the count) and Scoreboard, but no GameSettings.
TEST(Joining, HostIsRememberedAndFirstClientGetsRosterThenScoreboard) {
    RecordingOutbox out;
    ServerGame game(out);
    game.OnCreatePlayer(1, "host");
    EXPECT_TRUE(out.sent.empty());
    game.OnCreatePlayer(101, "ann");
    EXPECT_EQ(out.sent, (std::vector<Buffer>{Bytes(msg::Roster{{{"ann", 101}}}),
                                             Bytes(msg::Scoreboard{{{"101", "0", "0"}}})}));
}

// Every kind of seat request, from ann (101) and bob (102) seated and a ready count of 0: a
// second seat for a seated player, -1 from a withdrawal even of nobody, the numeric value
// rounded half to even, and numbers beyond the identifier's range dropped whole.
TEST(SeatRequests, ChangeSeatsAndReadyCount) {
    using Case =
        std::tuple<std::uint8_t, std::string, Rows, int>;  // request, id; rows, ready count after
    const Case cases[] = {{1, "101", {"101", "102", "101"}, 0},
                          {2, "101", {"102"}, 0},
                          {3, "102", {"101"}, -1},
                          {3, "999", {"101", "102"}, -1},
                          {4, "101", {"101", "102"}, 0},
                          {1, " 101.4x", {"101", "102", "101"}, 0},
                          {1, "101.5", {"101", "102", "102"}, 0},
                          {1, "1e30", {"101", "102"}, 0},
                          {3, "99999999999", {"101", "102"}, 0}};
    for (const auto& [request, id, rows, ready] : cases) {
        Game g({"ann", "bob"});
        g.OnReceive(SeatRequest(request, id));
        EXPECT_EQ(Column(g, &SeatRow::playerIndex), rows) << int{request} << " " << id;
        EXPECT_EQ(g.ReadyCount(), ready);
        EXPECT_EQ(g.sent.size(), rows.size() == 2 ? 0u : 1u);  // a Scoreboard for a change
    }
}

// Scoreboard (without the player) comes before PlayerLeft; an unseated player gets only
// PlayerLeft; a player with two seats leaves no row behind; an unknown one changes nothing.
TEST(Leaving, RemovesEverySeatAndTellsScoreboardFirst) {
    Game g({"ann", "bob", "cy"});
    g.OnReceive(SeatRequest(1, "101"));
    g.OnReceive(SeatRequest(2, "103"));
    g.sent.clear();
    g.OnReceive(Bytes(msg::PlayerLeft{999}));
    EXPECT_TRUE(g.sent.empty());
    g.OnReceive(Bytes(msg::PlayerLeft{101}));
    EXPECT_EQ(g.sent, (std::vector<Buffer>{Bytes(msg::Scoreboard{{{"102", "0", "0"}}}),
                                           Bytes(msg::PlayerLeft{101})}));
    g.sent.clear();
    g.OnReceive(Bytes(msg::PlayerLeft{103}));
    EXPECT_EQ(g.sent, std::vector<Buffer>{Bytes(msg::PlayerLeft{103})});
    EXPECT_EQ(g.Roster(), (PlayerRoster{{"bob", 102}}));
}

// The kick removes the player of the selected row, not of the row numbered by how many rows are
// selected (seats: ann, bob, cy, ann again); no selection, or a row that does not exist, does
// nothing.
TEST(Kick, RemovesThePlayerOfTheSelectedRow) {
    for (const int row : {0, 1, 3}) {
        Game g({"ann", "bob", "cy"});
        g.OnReceive(SeatRequest(1, "101"));
        g.Kick(row);
        EXPECT_EQ(g.sent.back(), Bytes(msg::PlayerLeft{101 + row % 3})) << row;
    }
    Game g({"ann", "bob"});
    const auto before = Dump(g);
    for (const auto row : {std::optional<int>{}, std::optional<int>{2}, std::optional<int>{-1}})
        g.Kick(row);
    EXPECT_EQ(Dump(g), before);
    EXPECT_TRUE(g.sent.empty());
}

// Roster and Scoreboard carry 16-bit counts: the default capacity is the most they can say,
// and a full list refuses a newcomer or a seat without change or message.
TEST(Capacity, ListsStayWithinWhatTheMessagesCarry) {
    const Capacity limits;
    msg::Scoreboard board{std::vector<msg::ScoreboardSeat>(limits.seatRows)};
    msg::Roster roster{std::vector<msg::RosterEntry>(limits.rosterEntries)};
    EXPECT_TRUE(msg::Encode(board) && msg::Encode(roster));
    board.seats.emplace_back();
    roster.entries.emplace_back();
    EXPECT_FALSE(msg::Encode(board) || msg::Encode(roster));

    Game g({"ann", "bob", "cy"}, MakeDefaultRandomSource(), Capacity{3, 2});
    EXPECT_EQ(g.Seats().size(), 2u);  // cy joined the roster but found no seat
    const auto before = Dump(g);
    g.OnCreatePlayer(104, "dee");
    g.OnReceive(SeatRequest(1, "103"));
    EXPECT_EQ(Dump(g), before);
    EXPECT_TRUE(g.sent.empty());
}

// A refused send stops the operation there; what was changed before it stays.
TEST(FailedSend, StopsTheOperationKeepingEarlierChanges) {
    Game g({"ann"});
    g.refuse = true;
    g.AddPlayer("bob", 102);  // the Roster is refused: no seat follows
    EXPECT_EQ(g.Roster().size(), 2u);
    EXPECT_EQ(g.Seats().size(), 1u);
    g.RemovePlayer(101);  // the Scoreboard is refused: the player is gone all the same
    EXPECT_EQ(g.Roster().size(), 1u);
    EXPECT_TRUE(g.Seats().empty());
}

// Chat and paddle reports go back to all byte for byte, unchecked. Types the server does not
// handle, and every truncation of the ones it does, are dropped whole: no partial update.
TEST(Dispatch, RelaysOrDropsWhole) {
    Game g({"ann", "bob"});
    g.HandleBallEvent(BallEvent(1, "45"));
    for (const auto& m : {Bytes(msg::Chat{"ann:>hello \xC3\xA9"}),
                          Bytes(msg::PaddleUpdate{"1", "5012.5", "-3", "6012", "junk"})}) {
        g.sent.clear();
        EXPECT_TRUE(g.OnReceive(m));
        EXPECT_EQ(g.sent, std::vector<Buffer>{m});
    }
    g.sent.clear();
    const auto before = Dump(g);
    std::vector<Buffer> dropped = {Buffer{}};
    for (const std::uint8_t type : {0, 2, 4, 5, 8, 11, 255})
        dropped.push_back(Buffer{type, 2, 1, 0, 0, 0});
    for (const auto& m :
         {Bytes(msg::Chat{"hi"}), Bytes(msg::PlayerLeft{101}), BallEvent(2, "0"),
          Bytes(msg::PaddleUpdate{"0", "1", "2", "3", "4"}), SeatRequest(3, "102")}) {
        for (std::size_t size = 1; size < m.size(); ++size)
            dropped.emplace_back(m.begin(), m.begin() + static_cast<long>(size));
    }
    for (const auto& m : dropped)
        EXPECT_FALSE(g.OnReceive(m)) << ::testing::PrintToString(m);
    EXPECT_EQ(Dump(g), before);
    EXPECT_TRUE(g.sent.empty());
}

}  // namespace
}  // namespace quorvex::server

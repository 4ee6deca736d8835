#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using RosterTest = ClientTest;

TEST_F(RosterTest, LastIndexZeroAndTwoCarryOneAndThreeEntries) {
    Receive(RosterOf({{"Solo", 4}}));
    ASSERT_EQ(state.PlayerRoster().size(), 1u);
    EXPECT_EQ(state.MyID(), 4);

    Receive(RosterOf({{"A", 1}, {"B", 2}, {"C", 3}}));
    ASSERT_EQ(state.PlayerRoster().size(), 3u);
    EXPECT_EQ(state.PlayerRoster()[1].name, "B");
    EXPECT_EQ(state.PlayerRoster()[2].id, 3);
}

TEST_F(RosterTest, OnlyTheFirstRosterSetsMyID) {
    Receive(RosterOf({{"Anna", 11}, {"Me", 33}}));
    EXPECT_EQ(state.MyID(), 33);
    Receive(RosterOf({{"Anna", 11}, {"Me", 33}, {"Late", 44}}));
    EXPECT_EQ(state.MyID(), 33);
    EXPECT_EQ(state.PlayerRoster().back().name, "Late");
}

TEST_F(RosterTest, NegativeLastIndexChangesNothing) {
    const Buffer negative{2, 0xFF, 0xFF};  // last index -1
    Receive(negative);
    EXPECT_EQ(state.MyID(), 0);
    EXPECT_TRUE(state.PlayerRoster().empty());

    Receive(RosterOf({{"Anna", 11}, {"Me", 33}}));
    Receive(negative);
    EXPECT_EQ(state.MyID(), 33);
    EXPECT_EQ(state.PlayerRoster().size(), 2u);
}

using PlayerLeftTest = ClientTest;

TEST_F(PlayerLeftTest, DuplicateIdentifierWritesTwoLinesInRosterOrder) {
    Receive(RosterOf({{"Anna", 5}, {"Bert", 7}, {"Anna2", 5}}));
    Receive(msg::PlayerLeft{5});
    EXPECT_EQ(state.Chat().Text(), "Anna has left\r\nAnna2 has left\r\n");
    ASSERT_EQ(state.PlayerRoster().size(), 1u);
    EXPECT_EQ(state.PlayerRoster()[0].name, "Bert");
}

TEST_F(PlayerLeftTest, TheOnlyEntryLeavesAnEmptyRoster) {
    Receive(RosterOf({{"Me", 5}}));
    Receive(msg::PlayerLeft{5});
    EXPECT_TRUE(state.PlayerRoster().empty());
    EXPECT_EQ(state.MyID(), 5);
}

TEST_F(PlayerLeftTest, UnknownIdentifierChangesNothing) {
    Receive(RosterOf({{"Anna", 5}, {"Bert", 7}}));
    const std::string before = Describe(state);
    Receive(msg::PlayerLeft{6});
    EXPECT_EQ(Describe(state), before);
}

using ScoreboardTest = ClientTest;

TEST_F(ScoreboardTest, RowsTakeTheirColumnsAndNamesFromTheRoster) {
    Receive(RosterOf({{"Anna", 11}, {"Bert", 22}}));
    Receive(msg::Scoreboard{{{"22", "3", "1"}, {"11", "0", "4"}}});
    ASSERT_EQ(state.Seats().size(), 2u);
    EXPECT_EQ(state.Seats()[0].PlayerName, "Bert");
    EXPECT_EQ(state.Seats()[0].PlayerWins, "3");
    EXPECT_EQ(state.Seats()[1].PlayerIndex, "11");
    EXPECT_EQ(state.Seats()[1].PlayerName, "Anna");
    EXPECT_EQ(state.Seats()[1].PlayerMisses, "4");
    EXPECT_TRUE(state.ArenaReady());
    EXPECT_TRUE(state.Timer2Running());
}

TEST_F(ScoreboardTest, BlanksBeforeTheIdentifierStillFindIt) {
    Receive(RosterOf({{"Anna", 11}, {"Seven", 7}}));
    Receive(ScoreboardOf({"   7"}));
    EXPECT_EQ(state.Seats()[0].PlayerName, "Seven");
}

TEST_F(ScoreboardTest, UnknownIdentifierGetsAnEmptyName) {
    Receive(ScoreboardOf({"99"}));  // no roster yet
    ASSERT_EQ(state.Seats().size(), 1u);
    EXPECT_EQ(state.Seats()[0].PlayerName, "");

    Receive(RosterOf({{"Anna", 11}}));
    Receive(ScoreboardOf({"11", "99", "x"}));
    ASSERT_EQ(state.Seats().size(), 3u);
    EXPECT_EQ(state.Seats()[0].PlayerName, "Anna");
    EXPECT_EQ(state.Seats()[1].PlayerName, "");
    EXPECT_EQ(state.Seats()[2].PlayerName, "");
    EXPECT_EQ(state.Arena().barriers.size(), 3u);
}

TEST_F(ScoreboardTest, NoSeatsEmptiesTheTableAndStillRebuilds) {
    JoinAs(33, {"11", "22", "33", "44"});
    ASSERT_EQ(state.Arena().barriers.size(), 4u);
    for (const Buffer& none : {Bytes(msg::Scoreboard{}), Buffer{4, 0xFF, 0xFF}}) {
        Receive(ScoreboardOf({"11", "22", "33", "44"}));
        Receive(none);
        EXPECT_TRUE(state.Seats().empty());
        EXPECT_EQ(state.Arena().barriers.size(), 3u);  // a triangle
        EXPECT_EQ(state.Arena().players.size(), 1u);
        EXPECT_EQ(state.PlayerID(), -1);
    }
}

class PaddleUpdateTest : public ClientTest {
  protected:
    void SetUp() override { JoinAs(22, {"11", "22", "33", "44"}); }  // own seat 1

    msg::PaddleUpdate Update(std::string seat) {
        return {std::move(seat), "100", "200.5", "1100", "-3e2"};
    }
};

TEST_F(PaddleUpdateTest, AnotherSeatMovesThatPaddle) {
    Receive(Update("2"));
    const auto& paddle = state.Arena().players[2];
    EXPECT_EQ(paddle.x1, 100.0f);
    EXPECT_EQ(paddle.y1, 200.5f);
    EXPECT_EQ(paddle.x2, 1100.0f);
    EXPECT_EQ(paddle.y2, -300.0f);
}

TEST_F(PaddleUpdateTest, SeatIsRoundedHalfToEven) {
    Receive(Update("2.5"));
    EXPECT_EQ(state.Arena().players[2].x1, 100.0f);
    Receive(msg::PaddleUpdate{" 3abc", "7", "7", "7", "7"});
    EXPECT_EQ(state.Arena().players[3].x1, 7.0f);
}

TEST_F(PaddleUpdateTest, SkippedWithoutAnyChange) {
    struct Case {
        const char* why;
        msg::PaddleUpdate update;
    };
    const Case cases[] = {
        {"own seat", Update("1")},
        {"rounds to own seat", Update("0.6")},
        {"beyond the paddles", Update("4")},
        {"far beyond", Update("1e12")},
        {"negative", Update("-1")},
        {"seat too large for a double", Update("1e999")},
        {"x1 not a number", {"2", "abc", "1", "2", "3"}},
        {"y1 trailing text", {"2", "1", "2x", "2", "3"}},
        {"x2 infinite", {"2", "1", "2", "inf", "3"}},
        {"y2 past single precision", {"2", "1", "2", "3", "1e39"}},
        {"y2 empty", {"2", "1", "2", "3", ""}},
    };
    for (const auto& c : cases) {
        const std::string before = Describe(state);
        Receive(c.update);
        EXPECT_EQ(Describe(state), before) << c.why;
    }
}

struct GameTypeCase {
    std::uint8_t type;
    const char* caption;
};

class GameSettingsType : public ClientTest, public ::testing::WithParamInterface<GameTypeCase> {};

TEST_P(GameSettingsType, SetsCaptionLimitAndLobby) {
    Receive(msg::GameSettings{msg::kGameSurvivor, "1"});
    Receive(msg::GameSettings{GetParam().type, "07"});
    const auto& lobby = state.Lobby();
    EXPECT_EQ(lobby.lblGameType, GetParam().caption);
    EXPECT_EQ(lobby.lblLimit, "07");
    EXPECT_EQ(lobby.lblNOP, "0");
    EXPECT_TRUE(lobby.frameVisible);
    EXPECT_TRUE(lobby.frameEnabled);
    EXPECT_TRUE(lobby.cmdJoinEnabled);
}

// An unknown type keeps the caption the previous message set.
INSTANTIATE_TEST_SUITE_P(Types, GameSettingsType,
                         ::testing::Values(GameTypeCase{1, "Points Mode"},
                                           GameTypeCase{2, "Surivor Mode"},
                                           GameTypeCase{3, "Free-4-All"},
                                           GameTypeCase{0, "Surivor Mode"},
                                           GameTypeCase{4, "Surivor Mode"}));

using GameSettingsTest = ClientTest;

TEST_F(GameSettingsTest, ButtonsFollowTheOwnSeat) {
    JoinAs(33, {"11", "22"});
    OpenLobby();
    EXPECT_FALSE(state.Lobby().cmdRdyEnabled);
    EXPECT_TRUE(state.Lobby().cmdJoinEnabled);
    EXPECT_FALSE(state.Lobby().cmdSpectateEnabled);
    EXPECT_EQ(state.Lobby().lblNOP, "2");

    Receive(ScoreboardOf({"11", "22", "33"}));
    OpenLobby();
    EXPECT_TRUE(state.Lobby().cmdRdyEnabled);
    EXPECT_FALSE(state.Lobby().cmdJoinEnabled);
    EXPECT_TRUE(state.Lobby().cmdSpectateEnabled);
    EXPECT_EQ(state.Lobby().lblNOP, "3");
}

struct ReadyCase {
    const char* name;
    std::vector<std::string> seats;
    const char* count;
    bool frameVisible;
};

class ReadyCountCase : public ClientTest, public ::testing::WithParamInterface<ReadyCase> {};

TEST_P(ReadyCountCase, HidesTheLobbyOnceEverySeatIsReady) {
    const auto& c = GetParam();
    Receive(ScoreboardOf(c.seats));
    OpenLobby();
    Receive(msg::ReadyCount{c.count});
    EXPECT_EQ(state.Lobby().lblPRdy, c.count);
    EXPECT_EQ(state.Lobby().lblNOP, std::to_string(c.seats.size()));
    EXPECT_EQ(state.Lobby().frameVisible, c.frameVisible);
    EXPECT_TRUE(state.Lobby().frameEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ReadyCountCase,
    ::testing::Values(ReadyCase{"TwoOfThree", {"1", "2", "3"}, "2", true},
                      ReadyCase{"ThreeOfThree", {"1", "2", "3"}, "3", false},
                      ReadyCase{"MoreThanSeats", {"1", "2", "3"}, "4", false},
                      ReadyCase{"LeadingNumberOnly", {"1", "2", "3"}, " 3 ready", false},
                      ReadyCase{"NoSeatsZero", {}, "0", false},
                      ReadyCase{"NoSeatsNegative", {}, "-1", true},
                      ReadyCase{"NoNumberIsZero", {"1"}, "x", true}),
    [](const auto& c) { return std::string(c.param.name); });

using ChatTest = ClientTest;

TEST_F(ChatTest, RelayedLinesGoToTheLog) {
    Receive(msg::Chat{"Anna:>hi"});
    Receive(msg::Chat{""});
    EXPECT_EQ(state.Chat().Text(), "Anna:>hi\r\n\r\n");
}

using MalformedTest = ClientTest;

TEST_F(MalformedTest, UnknownAndClientOnlyTypesAreIgnored) {
    JoinAs(22, {"11", "22", "33"});
    const std::string before = Describe(state);
    for (const Buffer& bytes : {Buffer{}, Buffer{0}, Buffer{6, 1, 1, 0, '9'}, Buffer{9, 1, 0, 0},
                                Buffer{11, 1, 2, 3}, Buffer{255}}) {
        Receive(bytes);
    }
    EXPECT_EQ(Describe(state), before);
    EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(MalformedTest, TruncatedMessagesOfEveryTypeChangeNothing) {
    const std::vector<Buffer> whole = {
        Bytes(msg::Chat{"Anna:>hello"}),
        Bytes(RosterOf({{"Anna", 11}, {"Bert", 22}, {"Cleo", 33}})),
        Bytes(msg::PlayerLeft{11}),
        Bytes(ScoreboardOf({"11", "22"})),
        Bytes(msg::BallUpdate{"-5", "3000", "315"}),
        Bytes(msg::PaddleUpdate{"0", "1", "2", "3", "4"}),
        Bytes(msg::GameSettings{1, "5"}),
        Bytes(msg::ReadyCount{"3"}),
    };
    JoinAs(22, {"11", "22", "33"});
    const std::string before = Describe(state);
    for (const auto& message : whole) {
        for (std::size_t length = 1; length < message.size(); ++length) {
            Receive(Buffer(message.begin(), message.begin() + static_cast<long>(length)));
            ASSERT_EQ(Describe(state), before)
                << "type " << int{message[0]} << " cut to " << length << " bytes";
        }
    }
    EXPECT_TRUE(outbox.sent.empty());
}

}  // namespace
}  // namespace quorvex::client::testing

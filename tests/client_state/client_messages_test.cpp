#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using MessagesTest = ClientTest;

// Roster's count is the last index (U = 0 carries one entry), and only the first Roster may
// set MyID, from its last entry.
TEST_F(MessagesTest, RosterCountsFromTheLastIndexSetsMyIDOnceAndPlayerLeftTakesEveryMatch) {
    Receive(msg::Roster{{{"Solo", 4}}});
    EXPECT_EQ(state.PlayerRoster().size(), 1u);
    Receive(msg::Roster{{{"A", 1}, {"B", 2}, {"Late", 3}}});
    EXPECT_EQ(state.PlayerRoster().size(), 3u);
    EXPECT_EQ(state.MyID(), 4);
    // PlayerLeft takes every entry with the identifier, each with its own line, in roster order.
    Receive(msg::Roster{{{"Anna", 5}, {"Bert", 7}, {"Anna2", 5}}});
    Receive(msg::PlayerLeft{5});
    EXPECT_EQ(state.Chat().Text(), "Anna has left\r\nAnna2 has left\r\n");
    EXPECT_EQ(state.PlayerRoster().size(), 1u);
    Receive(msg::PlayerLeft{7});
    EXPECT_TRUE(state.PlayerRoster().empty());
}

// Names come from the roster by numeric value (blanks before it too); the lookup stops at the
// roster's end, so an unknown identifier gets an empty name and the rest is built as usual.
TEST_F(MessagesTest, ScoreboardNamesSeatsFromTheRosterWithinItsBounds) {
    Receive(ScoreboardOf({"99"}));  // no roster yet
    EXPECT_EQ(SeatsText(state), "[99||0|0]");
    Receive(msg::Roster{{{"Anna", 11}, {"Bert", 22}}});
    Receive(msg::Scoreboard{{{"22", "3", "1"}, {"   11", "0", "4"}, {"99", "5", "6"}}});
    EXPECT_EQ(SeatsText(state), "[22|Bert|3|1] [   11|Anna|0|4] [99||5|6]");
    EXPECT_EQ(state.Arena().barriers.size(), 3u);
    // The first of two entries with one identifier names the seat; a fraction names nobody.
    Receive(msg::Roster{{{"Anna", 11}, {"Bert", 22}, {"Bert2", 22}}});
    Receive(msg::Scoreboard{{{"22.0", "0", "0"}, {"11.5", "0", "0"}}});
    EXPECT_EQ(SeatsText(state), "[22.0|Bert|0|0] [11.5||0|0]");
}

// No seats (also a negative count) still empties the table and rebuilds a triangle.
TEST_F(MessagesTest, NoSeatsEmptiesTheTableAndStillRebuilds) {
    for (const Buffer& none : {Bytes(msg::Scoreboard{}), Buffer{4, 0xFF, 0xFF}}) {
        JoinAs(33, {"11", "22", "33", "44"});
        Receive(none);
        EXPECT_TRUE(state.Seats().empty());
        EXPECT_EQ(state.Arena().barriers.size(), 3u);
        EXPECT_EQ(state.Arena().players.size(), 1u);
    }
}

// Another seat's paddle moves; the seat text is rounded half to even after the numeric rule.
TEST_F(MessagesTest, PaddleUpdateMovesAnotherSeatsPaddle) {
    JoinAs(22, {"11", "22", "33", "44"});
    Receive(msg::PaddleUpdate{"2.5", "100", "200.5", "1100", "-3e2"});
    const auto& p = state.Arena().players[2];
    EXPECT_EQ(std::vector<float>({p.x1, p.y1, p.x2, p.y2}),
              std::vector<float>({100, 200.5f, 1100, -300}));
    Receive(msg::PaddleUpdate{" 3abc", "7", "7", "7", "7"});
    EXPECT_EQ(state.Arena().players[3].x1, 7.0f);
}

// Known types set the caption, an unknown one keeps the last; the limit text stays as sent.
TEST_F(MessagesTest, GameSettingsSetsCaptionLimitAndShowsTheLobby) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {1, "Points Mode"}, {2, "Surivor Mode"}, {0, "Surivor Mode"},
        {3, "Free-4-All"},  {4, "Free-4-All"},
    };
    for (const auto& [type, caption] : cases) {
        Receive(msg::GameSettings{type, "07"});
        EXPECT_EQ(state.Lobby().lblGameType + " " + state.Lobby().lblLimit,
                  caption + std::string(" 07"));
        EXPECT_TRUE(state.Lobby().frameVisible && state.Lobby().frameEnabled);
    }
}

// The frame hides once the ready count (numeric rule) reaches the seat count, and not before.
TEST_F(MessagesTest, ReadyHidesTheLobbyOnceEverySeatIsReady) {
    const struct {
        std::size_t seats;
        const char* count;
        bool visible;
    } cases[] = {{3, "2", true},  {3, "3", false}, {3, "4", false}, {3, " 3 ready", false},
                 {0, "0", false}, {0, "-1", true}, {1, "x", true}};
    for (const auto& c : cases) {
        Receive(ScoreboardOf(std::vector<std::string>(c.seats, "1")));
        OpenLobby();
        Receive(msg::ReadyTally{c.count});
        EXPECT_EQ(state.Lobby().lblPRdy + "/" + state.Lobby().lblNOP,
                  c.count + ("/" + std::to_string(c.seats)));
        EXPECT_EQ(state.Lobby().frameVisible, c.visible) << c.count;
    }
}

// Messages that must change and send nothing: unknown and client-only types, a roster of
// nobody, an unknown leaver, paddle updates for the own seat (also by rounding), for no paddle
// or with a coordinate no single holds, balls at no number; and every message cut short.
TEST_F(MessagesTest, OddAndTruncatedMessagesChangeNothing) {
    JoinAs(22, {"11", "22", "33", "44"});  // own seat 1 of four
    std::vector<Buffer> odd = {{}, {0}, {255}, {9, 1, 0, 0}, {2, 0xFF, 0xFF}, {6, 1, 1, 0, '9'}};
    odd.push_back(Bytes(msg::PlayerLeft{6}));
    odd.push_back(Bytes(msg::BallUpdate{"nan", "1", "0"}));
    odd.push_back(Bytes(msg::BallUpdate{"1", "", "0"}));
    const std::array<const char*, 5> paddles[] = {
        {"1", "1", "2", "3", "4"},  {"0.6", "1", "2", "3", "4"},   {"4", "1", "2", "3", "4"},
        {"-1", "1", "2", "3", "4"}, {"1e999", "1", "2", "3", "4"}, {"2", "x", "2", "3", "4"},
        {"2", "1", "2x", "3", "4"}, {"2", "1", "2", "inf", "4"},   {"2", "1", "2", "3", "1e39"}};
    for (const auto& f : paddles)
        odd.push_back(Bytes(msg::PaddleUpdate{f[0], f[1], f[2], f[3], f[4]}));
    const Buffer whole[] = {Bytes(msg::Chat{"Anna:>hi"}),
                            Bytes(msg::Roster{{{"Anna", 11}}}),
                            Bytes(msg::PlayerLeft{11}),
                            Bytes(ScoreboardOf({"11", "22"})),
                            Bytes(msg::BallUpdate{"-5", "3000", "315"}),
                            Bytes(msg::PaddleUpdate{"0", "1", "2", "3", "4"}),
                            Bytes(msg::GameSettings{1, "5"}),
                            Bytes(msg::ReadyTally{"3"})};
    for (const auto& message : whole)
        for (std::size_t length = 1; length < message.size(); ++length)
            odd.emplace_back(message.begin(), message.begin() + static_cast<long>(length));
    const std::string before = Describe(state);
    for (const auto& message : odd) {
        Receive(message);
        ASSERT_EQ(Describe(state), before) << ::testing::PrintToString(message);
    }
    EXPECT_TRUE(outbox.sent.empty());
}

}  // namespace
}  // namespace quorvex::client::testing

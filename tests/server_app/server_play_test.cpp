// The server's side of the game over real sockets: scripted players join, chat, take seats,
// ready up and miss; what every player receives is checked.

#include <gtest/gtest.h>

#include "server/host/server_session.h"
#include "tests/support/bot.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using server::GameType;

struct Hosted {
    explicit Hosted(const char* count = "11") : prompter({std::string(count)}) {
        error = session.InitServer(prompter, 0);
    }
    server::ServerGame& Game() { return session.Game(); }
    quint16 Port() const { return session.Port(); }

    ScriptedPrompter prompter;
    server::ServerSession session{FastLimits()};
    std::optional<std::string> error;
};

// Joins and waits until the server has seated the bot and the bot has heard of it.
std::unique_ptr<Bot> Join(Hosted& host, const std::string& name) {
    const auto seats = host.Game().Seats().size();
    auto bot = std::make_unique<Bot>(host.Port(), name);
    EXPECT_TRUE(bot->WaitConnected());
    EXPECT_TRUE(WaitUntil([&] {
        return host.Game().Seats().size() == seats + 1 && !bot->All<msg::Scoreboard>().empty();
    }));
    return bot;
}

bool HeardAll(const std::vector<std::unique_ptr<Bot>>& bots, std::size_t count) {
    for (const auto& b : bots) {
        if (b->Received().size() < count)
            return false;
    }
    return true;
}

TEST(ServerPlay, ANewcomerGetsRosterThenScoreboardAndIsSeated) {
    Hosted host;
    ASSERT_FALSE(host.error) << *host.error;
    auto ann = Join(host, "Ann");
    ASSERT_GE(ann->Received().size(), 2u);
    EXPECT_EQ(ann->Types()[0], 2);
    EXPECT_EQ(ann->Types()[1], 4);
    const auto roster = ann->All<msg::Roster>().front();
    ASSERT_EQ(roster.entries.size(), 1u);
    EXPECT_EQ(roster.entries[0].name, "Ann");
    EXPECT_EQ(roster.entries[0].id, ann->Id());
    const auto board = ann->All<msg::Scoreboard>().front();
    ASSERT_EQ(board.seats.size(), 1u);
    EXPECT_EQ(board.seats[0], (msg::ScoreboardSeat{std::to_string(ann->Id()), "0", "0"}));
    EXPECT_TRUE(ann->All<msg::GameSettings>().empty());

    auto bob = Join(host, "Bob");
    const auto second = bob->All<msg::Roster>().front();
    ASSERT_EQ(second.entries.size(), 2u);
    EXPECT_EQ(second.entries.back().id, bob->Id());
    EXPECT_TRUE(WaitUntil([&] { return ann->All<msg::Roster>().size() == 2; }));
}

TEST(ServerPlay, ChatAndPaddlesAreRelayedToEveryoneByteForByte) {
    Hosted host;
    std::vector<std::unique_ptr<Bot>> bots;
    for (const char* name : {"Ann", "Bob", "Cy"}) {
        bots.push_back(Join(host, name));
    }
    ASSERT_TRUE(
        WaitUntil([&] { return HeardAll(bots, 0) && bots[0]->All<msg::Roster>().size() == 3; }));
    for (auto& b : bots)
        b->Forget();
    const msg::Chat chat{"Bob:>hello, Grüße"};
    const msg::PaddleUpdate paddle{"1", "3000", "2232.07", "3708.51", "1526.37"};
    ASSERT_TRUE(bots[1]->Send(chat));
    ASSERT_TRUE(bots[1]->Send(paddle));
    ASSERT_TRUE(WaitUntil([&] { return HeardAll(bots, 2); }));
    for (auto& b : bots) {
        EXPECT_EQ(b->Received()[0], *msg::Encode(chat));
        EXPECT_EQ(b->Received()[1], *msg::Encode(paddle));
    }
}

TEST(ServerPlay, MalformedAndUnknownMessagesChangeNothing) {
    Hosted host;
    auto ann = Join(host, "Ann");
    auto bob = Join(host, "Bob");
    ann->Forget();
    const auto seatsBefore = host.Game().Seats().size();
    const std::vector<Buffer> junk = {
        {0},
        {2, 0, 0},
        {4},
        {5},
        {8, 1},
        {11},
        {255, 1, 2},        // types the server ignores
        {1},                // Chat without its line
        {3, 1, 2},          // PlayerLeft cut short
        {6, 1},             // BallEvent without a value
        {9, 1, 5, 0, '1'},  // SeatRequest cut short
        *msg::Encode(msg::SeatRequest{msg::kSeatTake, "99999999999"}),
        *msg::Encode(msg::BallEvent{msg::kBallBounce, "nan"}),
    };
    const std::string angle = host.Game().BallAngle();
    for (const auto& bytes : junk) {
        ASSERT_TRUE(bob->SendBytes(bytes));
    }
    ASSERT_TRUE(bob->Send(msg::Chat{"marker"}));
    ASSERT_TRUE(WaitUntil([&] { return ann->Last<msg::Chat>().has_value(); }));
    EXPECT_EQ(ann->Received().size(), 1u);  // only the marker came through
    EXPECT_EQ(host.Game().Seats().size(), seatsBefore);
    EXPECT_EQ(host.Game().BallAngle(), angle);
    EXPECT_EQ(bob->Link().events.terminated, 0);
}

TEST(ServerPlay, StartUpFailuresAreReportedAndLeaveNoSession) {
    struct Case {
        std::optional<std::string> answer;
        const char* expected;
    };
    const Case cases[] = {
        {std::nullopt, "must be a number"},
        {"eleven", "must be a number"},
        {"1", "at least 2"},
        {"1e12", "too large"},
    };
    for (const auto& c : cases) {
        ScriptedPrompter prompter({c.answer});
        server::ServerSession session;
        const auto error = session.InitServer(prompter, 0);
        ASSERT_TRUE(error.has_value()) << c.expected;
        EXPECT_EQ(error->rfind("Error #", 0), 0u) << *error;
        EXPECT_NE(error->find(c.expected), std::string::npos) << *error;
        EXPECT_FALSE(session.IsHosting());
        EXPECT_FALSE(session.Game().PickGameType(GameType::Points));  // nothing to send to
    }
    ScriptedPrompter rounds({"2.5"});
    server::ServerSession session;
    EXPECT_FALSE(session.InitServer(rounds, 0).has_value());  // 2.5 rounds to 2 players
}

TEST(ServerPlay, ASecondServerOnATakenPortSaysSo) {
    Hosted first;
    ASSERT_FALSE(first.error);
    ScriptedPrompter prompter({"11"});
    server::ServerSession second;
    const auto error = second.InitServer(prompter, first.Port());
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("Could not open TCP port"), std::string::npos) << *error;
}

}  // namespace
}  // namespace quorvex::test

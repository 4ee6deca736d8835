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
    EXPECT_EQ(board.seats[0], (msg::SeatRow{std::to_string(ann->Id()), "0", "0"}));
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

TEST(ServerPlay, SeatRequestsAndReadyChangeTheTableForEveryone) {
    Hosted host;
    auto ann = Join(host, "Ann");
    auto bob = Join(host, "Bob");
    const std::string annId = std::to_string(ann->Id());
    ann->Forget();

    ASSERT_TRUE(ann->Send(msg::SeatRequest{msg::kSeatGiveUp, annId}));
    ASSERT_TRUE(WaitUntil([&] { return host.Game().Seats().size() == 1; }));
    ASSERT_TRUE(ann->Send(msg::SeatRequest{msg::kSeatTake, annId}));
    ASSERT_TRUE(WaitUntil([&] { return host.Game().Seats().size() == 2; }));
    EXPECT_EQ(host.Game().Seats()[1].playerName, "Ann");  // a returning player sits last

    ASSERT_TRUE(ann->Send(msg::ReadyRequest{}));
    ASSERT_TRUE(bob->Send(msg::ReadyRequest{}));
    ASSERT_TRUE(WaitUntil([&] { return ann->All<msg::ReadyCount>().size() == 2; }));
    EXPECT_EQ(ann->All<msg::ReadyCount>()[1].count, "2");
    ASSERT_TRUE(ann->Send(msg::SeatRequest{msg::kSeatGiveUpReady, annId}));
    ASSERT_TRUE(WaitUntil([&] { return host.Game().Seats().size() == 1; }));
    EXPECT_EQ(host.Game().ReadyCount(), 1);
    const auto board = ann->Last<msg::Scoreboard>();
    ASSERT_TRUE(board.has_value());
    ASSERT_EQ(board->seats.size(), 1u);
    EXPECT_EQ(board->seats[0].id, std::to_string(bob->Id()));
}

TEST(ServerPlay, AMissIsCountedTheBallResetAndARoundEndAnnounced) {
    Hosted host;
    auto ann = Join(host, "Ann");
    auto bob = Join(host, "Bob");
    auto cy = Join(host, "Cy");
    ASSERT_TRUE(host.Game().PickGameType(GameType::Points));
    ASSERT_TRUE(host.Game().SetLimitText("2"));
    host.Game().BallStep();
    ASSERT_TRUE(WaitUntil([&] { return ann->Last<msg::BallUpdate>().has_value(); }));
    ann->Forget();

    ASSERT_TRUE(bob->Send(msg::BallEvent{msg::kBallMiss, "1"}));
    ASSERT_TRUE(WaitUntil([&] { return ann->Last<msg::Scoreboard>().has_value(); }));
    EXPECT_EQ(ann->Last<msg::Scoreboard>()->seats[1].misses, "1");
    EXPECT_EQ(host.Game().BallLeft(), "5235");
    EXPECT_EQ(host.Game().BallTop(), "3750");

    ASSERT_TRUE(bob->Send(msg::BallEvent{msg::kBallMiss, "1"}));
    ASSERT_TRUE(WaitUntil([&] { return ann->All<msg::GameSettings>().size() == 1; }));
    EXPECT_EQ(ann->Last<msg::GameSettings>()->gameType, msg::kGamePoints);
    EXPECT_EQ(ann->Last<msg::GameSettings>()->limit, "2");
    ASSERT_TRUE(WaitUntil([&] { return ann->All<msg::Scoreboard>().size() == 2; }));
    const auto board = *ann->Last<msg::Scoreboard>();
    std::vector<std::string> wins;
    for (const auto& s : board.seats)
        wins.push_back(s.wins);
    EXPECT_EQ(wins, (std::vector<std::string>{"2", "0", "2"}));
    EXPECT_EQ(host.Game().ReadyCount(), 0);
}

TEST(ServerPlay, TheGateHoldsTheBallUntilEverySeatIsReady) {
    Hosted host;
    auto ann = Join(host, "Ann");
    auto bob = Join(host, "Bob");
    ASSERT_TRUE(host.Game().PickGameType(GameType::Survivor));
    EXPECT_FALSE(host.Game().BallGate());
    ASSERT_TRUE(ann->Send(msg::ReadyRequest{}));
    ASSERT_TRUE(WaitUntil([&] { return host.Game().ReadyCount() == 1; }));
    EXPECT_FALSE(host.Game().BallGate());
    ASSERT_TRUE(bob->Send(msg::ReadyRequest{}));
    ASSERT_TRUE(WaitUntil([&] { return host.Game().ReadyCount() == 2; }));
    EXPECT_TRUE(host.Game().BallGate());
    ann->Forget();
    ASSERT_TRUE(host.Game().BallStep());
    ASSERT_TRUE(WaitUntil([&] { return ann->Last<msg::BallUpdate>().has_value(); }));
    EXPECT_EQ(ann->Last<msg::BallUpdate>()->angle, host.Game().BallAngle());
}

TEST(ServerPlay, LeavingAndKickingRemoveThePlayerEverywhere) {
    Hosted host;
    auto ann = Join(host, "Ann");
    auto bob = Join(host, "Bob");
    auto cy = Join(host, "Cy");
    ASSERT_TRUE(bob->Send(msg::PlayerLeft{bob->Id()}));
    ASSERT_TRUE(WaitUntil([&] { return ann->Last<msg::PlayerLeft>().has_value(); }));
    EXPECT_EQ(ann->Last<msg::PlayerLeft>()->id, bob->Id());
    EXPECT_EQ(host.Game().Roster().size(), 2u);
    ASSERT_EQ(host.Game().Seats().size(), 2u);

    ASSERT_TRUE(host.Game().Kick(1));  // Cy's row
    ASSERT_TRUE(WaitUntil([&] { return ann->All<msg::PlayerLeft>().size() == 2; }));
    EXPECT_EQ(ann->Last<msg::PlayerLeft>()->id, cy->Id());
    EXPECT_EQ(host.Game().Seats().size(), 1u);
    // A kick leaves the connection open: the kicked player still hears the game.
    EXPECT_TRUE(WaitUntil([&] { return cy->Last<msg::PlayerLeft>().has_value(); }));
    EXPECT_EQ(cy->Link().events.terminated, 0);
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
    EXPECT_EQ(rounds.asked.at(0).prompt,
              "Please enter the number of Clients (include +1 for server)");
    EXPECT_EQ(rounds.asked.at(0).title, "Number of Clients Required");
    EXPECT_EQ(rounds.asked.at(0).defaultAnswer, "11");
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

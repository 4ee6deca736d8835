// The server's side over real sockets: start-up, and relays that reach every player.

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

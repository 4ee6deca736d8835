// Four computer players and a person's client on one event loop, over real sessions, with the
// server's ball on its own clock: a whole Points round to its end. The server checks every
// paddle and miss a computer player sends against that player's own seat.

#include <gtest/gtest.h>

#include "client/bot/bot_session.h"
#include "server/host/ball_clock.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

class WatchingServer : public server::ServerSession {
  public:
    WatchingServer() = default;

    void Receive(session::PlayerId from, ByteView message) override {
        Check(from, message);
        ServerSession::Receive(from, message);
    }

    std::vector<std::string> faults;
    int paddlesChecked = 0;

  private:
    void Check(session::PlayerId from, ByteView message) {
        const auto& seats = Game().Seats();
        if (seats.size() != seatCount_) {  // reports already on their way may be for the old arena
            seatCount_ = seats.size();
            settledAt_ = clock_.elapsed() + 300;
        }
        int seat = -1;
        for (std::size_t i = 0; i < seats.size() && seat < 0; ++i) {
            if (seats[i].playerIndex == std::to_string(from)) {
                seat = static_cast<int>(i);
            }
        }
        const std::string who =
            "player " + std::to_string(from) + " in seat " + std::to_string(seat);
        if (const auto event = msg::Decode<msg::BallEvent>(message);
            event && event->kind != msg::kBallBounce && event->value != std::to_string(seat)) {
            faults.push_back(who + " reported a miss for seat " + event->value);
        }
        const auto paddle = msg::Decode<msg::PaddleUpdate>(message);
        if (!paddle || clock_.elapsed() < settledAt_) {
            return;
        }
        if (paddle->seat != std::to_string(seat)) {
            faults.push_back(who + " reported the paddle of seat " + paddle->seat);
        }
        ++paddlesChecked;
    }

    std::size_t seatCount_ = 0;
    qint64 settledAt_ = 0;
    QElapsedTimer clock_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

TEST(ComputerPlayers, PlayAPointsRoundToItsEndForTheirOwnSeatsOnly) {
    ScriptedPrompter prompter({"11"});
    WatchingServer server;
    ASSERT_FALSE(server.InitServer(prompter, 0));
    auto& game = server.Game();
    server::BallClock ball(game);
    ball.Start();

    auto person = TestClient::Named(server.Port(), "Person");
    ASSERT_TRUE(person->WaitSeated());
    std::vector<std::unique_ptr<client::bot::BotSession>> bots;
    std::vector<int> ends;
    for (int i = 1; i <= 4; ++i) {
        client::bot::BotOptions options;
        options.port = server.Port();
        options.name = "CPU " + std::to_string(i);
        options.skill = 1;
        bots.push_back(std::make_unique<client::bot::BotSession>(options, 40u + i));
        bots.back()->SetEndCallback([&ends](int code) { ends.push_back(code); });
        ASSERT_TRUE(bots.back()->Start());
    }
    ASSERT_TRUE(WaitUntil([&] { return game.Seats().size() == 5; }));

    // The person watches; the four computer players play to a limit of one miss.
    game.SetLimitText("1");
    game.PickGameType(server::GameType::Points);
    ASSERT_TRUE(WaitUntil([&] { return person->State().Lobby().frameVisible; }));
    person->State().cmdSpectate_Click();
    const auto roundOver = [&] {
        for (const auto& row : game.Seats()) {
            if (row.playerWins != "0") {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(WaitUntil(roundOver, 90000)) << "no round ended";
    EXPECT_EQ(game.Seats().size(), 4u);
    // Wins are 1 - misses: exactly one seat reached the limit.
    int losers = 0;
    for (const auto& row : game.Seats()) {
        losers += row.playerWins == "0" ? 1 : 0;
    }
    EXPECT_EQ(losers, 1);
    // Back in the lobby every computer player presses Ready again after a pause.
    EXPECT_TRUE(WaitUntil([&] { return game.ReadyCount() == 4; }, 10000));

    EXPECT_TRUE(server.faults.empty()) << server.faults.front();
    EXPECT_GT(server.paddlesChecked, 40);
    EXPECT_TRUE(ends.empty());
}

}  // namespace
}  // namespace quorvex::test

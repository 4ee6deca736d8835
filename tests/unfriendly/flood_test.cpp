// One player floods the chat while three honest ones play: the flood never reaches them, and
// nobody but the flooder is pushed out.

#include <gtest/gtest.h>

#include <QProcess>

#include "protocol/messages.h"
#include "protocol/session/limits.h"
#include "tests/support/wait.h"
#include "tests/unfriendly/server_process.h"
#include "tests/unfriendly/soak_player.h"

namespace quorvex::soak {
namespace {

class CountingPlayer : public SoakPlayer {
  public:
    using SoakPlayer::SoakPlayer;
    void Receive(session::PlayerId from, ByteView message) override {
        balls += message[0] == std::uint8_t(msg::Type::BallUpdate) ? 1 : 0;
        SoakPlayer::Receive(from, message);
    }
    int SpamHeard() const {
        int count = 0;
        for (const auto& line : ChatReceived()) {
            count += line.rfind("spam:>", 0) == 0 ? 1 : 0;
        }
        return count;
    }
    int balls = 0;
};

class FloodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Port().has_value()) << "the server did not start";
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            players.push_back(std::make_unique<CountingPlayer>(*server.Port(), name));
        }
        ASSERT_TRUE(test::WaitUntil(
            [&] {  // connected, seated, and the ball has started
                for (const auto& p : players) {
                    if (!p->Connected() || p->State().PlayerID() < 0 || p->balls == 0) {
                        return false;
                    }
                }
                return true;
            },
            8000));
    }
    // Runs the flooder to its end while the players play on: lines sent, times cut off.
    std::pair<long long, int> Flood(int seconds, const char* perSecond = "0") {
        QProcess flooder;
        flooder.start(
            QStringLiteral(QUORVEX_CHAT_FLOODER),
            {"127.0.0.1", QString::number(*server.Port()), QString::number(seconds), perSecond});
        test::WaitUntil([&] { return flooder.state() == QProcess::NotRunning; },
                        seconds * 1000 + 5000);
        long long lines = 0;
        int cut = -1;
        std::sscanf(flooder.readAllStandardOutput().constData(), "LINES %lld CUT %d", &lines, &cut);
        return {lines, cut};
    }

    ServerProcess server;
    std::vector<std::unique_ptr<CountingPlayer>> players;
};

TEST_F(FloodTest, AFullSpeedFloodIsCutOffWhileHonestPlayersKeepTheirBall) {
    for (auto& p : players) {
        p->balls = 0;
    }
    const auto [lines, cut] = Flood(10);
    EXPECT_GT(lines, 10000) << "the flooder never got going";
    EXPECT_GE(cut, 1) << "a player far over its limits must be disconnected";
    for (const auto& p : players) {
        EXPECT_FALSE(p->Lost()) << p->Name();
        // 100 in 10 s; a player pushed out gets none after a second or two. Half leaves room
        // for a machine busy with the flood itself.
        EXPECT_GE(p->balls, 50) << p->Name();
        // What passes is at most the chat burst per connection, never the flood.
        EXPECT_LE(p->SpamHeard(), session::Limits{}.chatBurst * (cut + 1)) << p->Name();
    }
}

TEST_F(FloodTest, AChatSpammerLosesItsExcessLinesButNotItsSeat) {
    for (auto& p : players) {
        p->StartChatting(500, 0);  // honest: two lines a second
    }
    const auto [lines, cut] = Flood(3, "40");
    for (auto& p : players) {
        p->StopChatting();
    }
    test::Pump(300);
    EXPECT_EQ(cut, 0) << "forty lines a second is over the chat limit, not far over";
    EXPECT_GE(lines, 100);
    const session::Limits limits;
    for (const auto& listener : players) {
        EXPECT_GE(listener->SpamHeard(), limits.chatBurst) << listener->Name();
        EXPECT_LE(listener->SpamHeard(), limits.chatBurst + limits.chatLinesPerSecond * 3 + 2);
        for (const auto& sender : players) {
            const auto heard = NumbersFrom(listener->ChatReceived(), sender->Name());
            EXPECT_EQ(int(heard.size()), sender->LinesSent());
            EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
        }
    }
}

}  // namespace
}  // namespace quorvex::soak

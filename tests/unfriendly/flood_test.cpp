// One player floods the chat while three honest ones play: the flood never reaches them, and
// nobody but the flooder is pushed out.

#include <gtest/gtest.h>

#include <QProcess>

#include <memory>

#include "protocol/messages.h"
#include "protocol/session/limits.h"
#include "tests/soak/server_process.h"
#include "tests/soak/soak_player.h"
#include "tests/support/wait.h"

namespace quorvex::soak {
namespace {

// Counts the ball reports that reach one honest player.
class CountingPlayer : public SoakPlayer {
  public:
    using SoakPlayer::SoakPlayer;
    void Receive(session::PlayerId from, ByteView message) override {
        balls += !message.empty() && message[0] == std::uint8_t(msg::Type::BallUpdate) ? 1 : 0;
        SoakPlayer::Receive(from, message);
    }
    int balls = 0;
};

struct Flood {
    long long lines = 0;
    int cut = 0;
};

// Runs the flooder to its end while the players keep playing on this event loop.
Flood RunFlooder(quint16 port, int seconds, const QString& perSecond = {}) {
    QProcess flooder;
    QStringList arguments{QString::number(port), QString::number(seconds)};
    if (!perSecond.isEmpty()) {
        arguments << perSecond;
    }
    flooder.start(QStringLiteral(QUORVEX_CHAT_FLOODER), arguments);
    test::WaitUntil([&] { return flooder.state() == QProcess::NotRunning; }, seconds * 1000 + 5000);
    Flood flood;
    std::sscanf(flooder.readAllStandardOutput().constData(), "LINES %lld CUT %d", &flood.lines,
                &flood.cut);
    return flood;
}

int SpamHeard(const SoakPlayer& player) {
    int count = 0;
    for (const auto& line : player.ChatReceived()) {
        count += line.rfind("spam:>", 0) == 0 ? 1 : 0;
    }
    return count;
}

class FloodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Port().has_value()) << "the server did not start";
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            players.push_back(std::make_unique<CountingPlayer>(*server.Port(), name));
        }
        // Playing: connected, seated, and the ball has started.
        ASSERT_TRUE(test::WaitUntil(
            [&] {
                for (const auto& p : players) {
                    if (!p->Connected() || p->State().PlayerID() < 0 || p->balls == 0) {
                        return false;
                    }
                }
                return true;
            },
            8000));
    }

    ServerProcess server;
    std::vector<std::unique_ptr<CountingPlayer>> players;
};

TEST_F(FloodTest, AFullSpeedFloodIsCutOffWhileHonestPlayersKeepTheirBall) {
    for (auto& p : players) {
        p->balls = 0;
    }
    const Flood flood = RunFlooder(*server.Port(), 10);
    EXPECT_GT(flood.lines, 10000) << "the flooder never got going";
    EXPECT_GE(flood.cut, 1) << "a player far over its limits must be disconnected";
    for (const auto& p : players) {
        EXPECT_FALSE(p->Lost()) << p->Name();
        // One report every 100 ms: 100 in the 10 s, with room for a busy machine.
        EXPECT_GE(p->balls, 70) << p->Name();
        // What passes of the flood is the session's burst per connection, never the flood.
        EXPECT_LT(SpamHeard(*p), 100 * (flood.cut + 1)) << p->Name();
    }
}

TEST_F(FloodTest, AChatSpammerLosesItsExcessLinesButNotItsSeat) {
    for (auto& p : players) {
        p->StartChatting(500, 0);  // honest: two lines a second
    }
    const Flood flood = RunFlooder(*server.Port(), 3, QStringLiteral("40"));
    for (auto& p : players) {
        p->StopChatting();
    }
    test::Pump(300);
    EXPECT_EQ(flood.cut, 0) << "forty lines a second is over the chat limit, not far over";
    EXPECT_GE(flood.lines, 100);
    const session::Limits limits;
    const double allowed = limits.chatBurst + limits.chatLinesPerSecond * 3;
    for (const auto& listener : players) {
        EXPECT_GE(SpamHeard(*listener), static_cast<int>(limits.chatBurst)) << listener->Name();
        EXPECT_LE(SpamHeard(*listener), static_cast<int>(allowed) + 2) << listener->Name();
        for (const auto& sender : players) {
            std::vector<int> expected(static_cast<std::size_t>(sender->LinesSent()));
            for (std::size_t i = 0; i < expected.size(); ++i) {
                expected[i] = static_cast<int>(i);
            }
            EXPECT_EQ(NumbersFrom(listener->ChatReceived(), sender->Name()), expected)
                << listener->Name() << " hearing " << sender->Name();
        }
    }
}

}  // namespace
}  // namespace quorvex::soak

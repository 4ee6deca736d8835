// One player floods the chat while three honest ones play: the flood never reaches them, and
// nobody but the flooder is pushed out.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTimer>

#include <algorithm>

#include "kit/recording_player.h"
#include "protocol/session/limits.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

// An honest player reporting its paddle every 100 ms, with keep-alives often enough that a
// stalled server is noticed within the test's time.
struct HonestPlayer : kit::RecordingPlayer {
    HonestPlayer(quint16 port, const std::string& playerName)
        : kit::RecordingPlayer(port, playerName,
                               {.heartbeatIntervalMs = 100, .peerTimeoutMs = 3000}),
          name(playerName) {
        QObject::connect(&paddleTimer, &QTimer::timeout, [this] {
            Send(msg::PaddleUpdate{"0", "4000", "1870", "5000", "1871"});
        });
        paddleTimer.start(100);
    }
    bool Lost() { return Link().events.terminated > 0; }
    std::size_t Balls() const { return All<msg::BallUpdate>().size(); }
    long Spam() const {
        return std::ranges::count_if(All<msg::Chat>(),
                                     [](auto& c) { return c.line.starts_with("spam:>"); });
    }

    std::string name;
    QTimer paddleTimer;
};

class FloodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral(QUORVEX_SOAK_SERVER), {});
        ASSERT_TRUE(WaitUntil([&] { return server.canReadLine(); }, 5000));
        const QByteArray line = server.readLine();
        ASSERT_TRUE(line.startsWith("PORT ")) << "the server did not start";
        port = static_cast<quint16>(line.mid(5).trimmed().toUInt());
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            players.push_back(std::make_unique<HonestPlayer>(port, name));
        }
        const auto playing = [](const auto& p) { return p->Balls() > 0; };
        ASSERT_TRUE(WaitUntil([&] { return std::ranges::all_of(players, playing); }, 8000));
    }
    void TearDown() override {
        server.write("quit\n");
        if (!server.waitForFinished(3000)) {
            server.kill();
            server.waitForFinished(3000);
        }
    }
    QProcess server;
    quint16 port = 0;
    std::vector<std::unique_ptr<HonestPlayer>> players;
};

TEST_F(FloodTest, AFullSpeedFloodIsCutOffWhileHonestPlayersKeepTheirBall) {
    for (auto& p : players) {
        p->Forget();
    }
    QProcess flooder;  // at full speed for ten seconds
    flooder.start(QStringLiteral(QUORVEX_CHAT_FLOODER), {"127.0.0.1", QString::number(port), "10"});
    WaitUntil([&] { return flooder.state() == QProcess::NotRunning; }, 15000);
    long long lines = 0;
    int cut = -1;
    std::sscanf(flooder.readAllStandardOutput().constData(), "LINES %lld CUT %d", &lines, &cut);
    EXPECT_GT(lines, 10000) << "the flooder never got going";
    EXPECT_GE(cut, 1) << "a player far over its limits must be disconnected";
    for (const auto& p : players) {
        EXPECT_FALSE(p->Lost()) << p->name;
        // 100 in 10 s; a player pushed out gets none after a second or two. Half leaves room
        // for a machine busy with the flood itself.
        EXPECT_GE(p->Balls(), 50u) << p->name;
        // What passes is at most the chat burst per connection, never the flood.
        EXPECT_LE(p->Spam(), session::Limits{}.chatBurst * (cut + 1)) << p->name;
    }
}

}  // namespace
}  // namespace quorvex::test

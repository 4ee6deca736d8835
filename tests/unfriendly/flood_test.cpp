// One player floods the chat while three honest ones play: the flood never reaches them, and
// nobody but the flooder is pushed out.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTimer>

#include <algorithm>

#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_client.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

// An honest player: the real client end of the session and the real client rules, reporting
// its paddle every 100 ms. It counts the balls and the flooder's lines that reach it.
struct HonestPlayer : session::SessionEvents, Outbox {
    HonestPlayer(quint16 port, std::string playerName) : name(std::move(playerName)) {
        state.SetMyName(name);
        client.RegisterMessageHandler(this);
        session::ConnectScripted(client, name, "127.0.0.1", port);
        QObject::connect(&paddleTimer, &QTimer::timeout, [this] { state.Timer2_Timer(); });
    }
    bool Send(const Buffer& message) override {
        return client.Send(message, 0, session::kSendGuaranteed | session::kSendNoLoopback).Ok();
    }
    void ConnectComplete(const session::Status& result) override {
        connected = result.Ok();
        lost = !result.Ok();
        state.OnConnectComplete(result.Ok());
        paddleTimer.start(100);
    }
    void Receive(session::PlayerId, ByteView message) override {
        balls += message[0] == std::uint8_t(msg::Type::BallUpdate) ? 1 : 0;
        if (const auto chat = msg::Decode<msg::Chat>(message)) {
            spamHeard += chat->line.rfind("spam:>", 0) == 0 ? 1 : 0;
        }
        state.HandleMessage(message);
    }
    void TerminateSession() override {
        lost = true;
        state.OnTerminateSession();
    }

    std::string name;
    // Keep-alives often enough that a stalled server is noticed within the test's time.
    session::SessionClient client{
        session::Limits{.heartbeatIntervalMs = 100, .peerTimeoutMs = 3000}};
    client::ClientState state{*this};
    QTimer paddleTimer;
    bool connected = false, lost = false;
    int balls = 0, spamHeard = 0;
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
        const auto playing = [](const auto& p) {  // connected, seated, and the ball has started
            return p->connected && p->state.PlayerID() >= 0 && p->balls > 0;
        };
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
        p->balls = 0;
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
        EXPECT_FALSE(p->lost) << p->name;
        // 100 in 10 s; a player pushed out gets none after a second or two. Half leaves room
        // for a machine busy with the flood itself.
        EXPECT_GE(p->balls, 50) << p->name;
        // What passes is at most the chat burst per connection, never the flood.
        EXPECT_LE(p->spamHeard, session::Limits{}.chatBurst * (cut + 1)) << p->name;
    }
}

}  // namespace
}  // namespace quorvex::test

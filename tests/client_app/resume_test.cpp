// A blip between real client windows and a real server: a relay on loopback that can cut every
// connection at once and turn newcomers away for a while, as a pulled cable does.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>

#include "client/state/client_texts.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

class Relay {
  public:
    explicit Relay(quint16 target) : target_(target) {
        listener_.listen(QHostAddress::LocalHost);
        QObject::connect(&listener_, &QTcpServer::newConnection, [this] { Accept(); });
    }
    quint16 Port() const { return listener_.serverPort(); }
    // Every connection ends at once, both ways; while `down`, newcomers are hung up on.
    void Cut(bool down) {
        down_ = down;
        for (auto& [near, far] : pairs_) {
            near->abort();
            far->abort();
        }
        pairs_.clear();
    }
    void Up() { down_ = false; }

  private:
    void Accept() {
        while (QTcpSocket* near = listener_.nextPendingConnection()) {
            if (down_) {
                near->abort();
                near->deleteLater();
                continue;
            }
            auto* far = new QTcpSocket(near);
            far->connectToHost(QHostAddress::LocalHost, target_);
            QObject::connect(near, &QTcpSocket::readyRead, [=] { far->write(near->readAll()); });
            QObject::connect(far, &QTcpSocket::readyRead, [=] { near->write(far->readAll()); });
            QObject::connect(far, &QTcpSocket::disconnected, near, &QTcpSocket::disconnectFromHost);
            QObject::connect(near, &QTcpSocket::disconnected, far, &QTcpSocket::disconnectFromHost);
            pairs_.emplace_back(near, far);
        }
    }

    QTcpServer listener_;
    quint16 target_;
    bool down_ = false;
    std::vector<std::pair<QTcpSocket*, QTcpSocket*>> pairs_;
};

TEST(Resume, ABlipShowsOnlyTheReconnectingLineAndEveryoneKeepsTheirPlace) {
    TestServer server;
    Relay relay(server.Port());
    std::vector<std::unique_ptr<TestClient>> clients;
    for (const char* name : {"Ann", "Bob", "Cy"}) {
        clients.push_back(TestClient::Named(relay.Port(), name));
        ASSERT_TRUE(clients.back()->WaitSeated());
    }
    server.Game().CountMiss(1);
    server.Game().SendScoreboard();
    const auto seatsBefore = server.Game().Seats();
    ASSERT_TRUE(WaitUntil([&] { return clients[0]->State().Seats()[1].PlayerMisses == "1"; }));
    std::vector<std::int32_t> ids;
    for (auto& c : clients)
        ids.push_back(c->State().MyID());

    relay.Cut(true);
    ASSERT_TRUE(WaitUntil([&] { return clients[2]->window.lblReconnecting->isVisible(); }));
    ASSERT_TRUE(WaitUntil([&] { return server.Game().IsDropped(ids[2]); }));
    Pump(600);  // several tries turned away
    relay.Up();
    ASSERT_TRUE(WaitUntil([&] {
        return std::ranges::none_of(clients, [](auto& c) { return c->State().Reconnecting(); });
    }));
    ASSERT_TRUE(WaitUntil([&] { return !server.Game().AnyDropped(); }));
    Pump(200);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        auto& c = *clients[i];
        EXPECT_EQ(c.State().MyID(), ids[i]);
        EXPECT_FALSE(c.window.lblReconnecting->isVisible());
        EXPECT_FALSE(Contains(c.ChatText(), client::kConnectionLostNotice));
        EXPECT_FALSE(Contains(c.ChatText(), client::kHasLeftSuffix));
        EXPECT_EQ(c.State().PlayerRoster().size(), 3u);
        EXPECT_EQ(c.State().Seats()[1].PlayerMisses, "1");
        EXPECT_TRUE(c.exitCodes.empty());
    }
    EXPECT_EQ(server.Game().Seats().size(), seatsBefore.size());
    EXPECT_EQ(server.Game().Roster().size(), 3u);

    // Once the grace is over the server refuses the token, and the lost-connection notice
    // comes, as it always did.
    server.host.SetResumeGrace(std::chrono::milliseconds(300));
    relay.Cut(true);
    Pump(800);
    relay.Up();
    ASSERT_TRUE(WaitUntil(
        [&] { return Contains(clients[0]->ChatText(), client::kConnectionLostNotice); }, 8000));
    EXPECT_FALSE(clients[0]->window.lblReconnecting->isVisible());
}

}  // namespace
}  // namespace quorvex::test

// Two real client windows against a real server: meeting, the lobby, and a lost server.

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "client/state/client_texts.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using Strings = std::vector<std::string>;

class TwoClients : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server.hostError) << *server.hostError;
        alice = TestClient::Named(server.Port(), "Alice");
        ASSERT_TRUE(alice->WaitSeated());
        bob = TestClient::Named(server.Port(), "Bob");
        ASSERT_TRUE(bob->WaitSeated());
        ASSERT_TRUE(WaitUntil([this] { return Names(*alice) == both && Names(*bob) == both; }));
    }
    static Strings Names(const TestClient& c) { return Rows(c.window.PlayerName); }
    static void Type(TestClient& client, const char* text, Qt::Key key = Qt::Key_Return) {
        QTest::keyClicks(client.window.txtSend, QString::fromUtf8(text));
        QTest::keyClick(client.window.txtSend, key);
    }
    bool Both(const std::function<bool(TestClient&)>& done) {
        return WaitUntil([&] { return done(*alice) && done(*bob); });
    }

    const Strings both{"Alice", "Bob"};
    TestServer server;
    std::unique_ptr<TestClient> alice;
    std::unique_ptr<TestClient> bob;
};

// Both windows show the server's seat table on a 10350 x 9600 twip surface, the lobby stays
// out of reach until the first game settings, and the ball's right edge is the one every client
// judges by.
TEST_F(TwoClients, SeeTheServersSeatTable) {
    Strings ids;
    for (const auto& row : server.Game().Seats())
        ids.push_back(row.playerIndex);
    for (TestClient* c : {alice.get(), bob.get()}) {
        EXPECT_EQ(Rows(c->window.PlayerIndex), ids);
        EXPECT_EQ(Rows(c->window.PlayerMisses), (Strings{"0", "0"}));
        EXPECT_EQ(c->window.size(), QSize(690, 640));
        EXPECT_FALSE(c->window.frameInitRnd->isVisible() || c->window.frameInitRnd->isEnabled());
        EXPECT_DOUBLE_EQ(c->State().OuterWidth(), 10380);
        EXPECT_EQ(c->player.Link().Timer2IntervalMs(), 100) << "ten paddle reports a second";
    }
    EXPECT_EQ(bob->State().PlayerID(), 1);
}

// The lobby cannot be used before the first settings; the pointer steers over it; giving up
// a seat reaches the server; the last seated player's Ready hides the frame on every client.
TEST_F(TwoClients, LobbyFollowsTheServersRound) {
    auto& a = alice->window;
    a.cmdSpectate->click();
    Pump(200);
    EXPECT_EQ(server.SeatNames(), both);

    server.Game().PickGameType(server::GameType::Points);
    ASSERT_TRUE(Both([](TestClient& c) { return c.window.frameInitRnd->isVisible(); }));
    ASSERT_TRUE(a.frameInitRnd->geometry().contains(QPoint(350, 250)));
    QTest::mouseMove(&a, QPoint(350, 250));  // the pointer steers over the lobby frame too
    EXPECT_TRUE(WaitUntil([&] { return alice->State().Arena().players.at(0).x1 == 5250; }));
    EXPECT_EQ(a.lblGameType->text().toStdString(), "Points Mode");
    EXPECT_EQ(a.lblNOP->text().toStdString(), "2");
    a.cmdSpectate->click();
    ASSERT_TRUE(Both([](TestClient& c) { return Names(c) == Strings{"Bob"}; }));
    EXPECT_EQ(server.SeatNames(), Strings{"Bob"});
    EXPECT_TRUE(a.cmdJoin->isEnabled() && !a.cmdRdy->isEnabled());

    bob->window.cmdRdy->click();
    EXPECT_TRUE(Both([](TestClient& c) { return !c.window.frameInitRnd->isVisible(); }));
    EXPECT_EQ(a.lblPRdy->text().toStdString(), "1");
}

// The keypad's Enter sends a line too, emptying the input. A lost server shows the notice and
// nothing else: the program runs on, a line that cannot go out stays in the input, and closing
// still ends the program in the usual way.
TEST_F(TwoClients, ChatUntilTheServerIsLostThenItsNoticeAndNothingElse) {
    Type(*bob, "hi", Qt::Key_Enter);
    EXPECT_TRUE(bob->window.txtSend->text().isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return Contains(alice->ChatText(), "Bob:>hi"); }));
    server.host.CloseServer();
    const std::string notice(client::kConnectionLostNotice);
    ASSERT_TRUE(Both([&](TestClient& c) { return Contains(c.ChatText(), notice); }));
    Pump(300);
    EXPECT_TRUE(alice->exitCodes.empty() && alice->prompter.criticals.empty());
    EXPECT_EQ(Names(*alice), both);
    Type(*alice, "anyone?");
    EXPECT_EQ(alice->window.txtSend->text().toStdString(), "anyone?");
    QElapsedTimer closing;
    closing.start();
    alice->window.close();
    EXPECT_EQ(alice->player.Link().Timer1IntervalMs(), 1) << "the exit delay's first wait";
    EXPECT_TRUE(WaitUntil([&] { return alice->exitCodes == std::vector<int>{0}; }, 4000));
    EXPECT_GE(closing.elapsed(), 1000) << "ten waits of 1, 2, 4 ... 512 ms";
}

}  // namespace
}  // namespace quorvex::test

// Two real client windows against a real server: meeting, chat, the lobby, the paddle, and
// leaving.

#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
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
    static Strings Names(const TestClient& c) { return c.Column(c.window.PlayerName); }
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
// out of reach until the first game settings, and the ball's right edge is the window's outer
// edge, frame included.
TEST_F(TwoClients, SeeTheServersSeatTable) {
    Strings ids;
    for (const auto& row : server.Game().Seats())
        ids.push_back(row.playerIndex);
    for (TestClient* c : {alice.get(), bob.get()}) {
        EXPECT_EQ(c->Column(c->window.PlayerIndex), ids);
        EXPECT_EQ(c->Column(c->window.PlayerMisses), (Strings{"0", "0"}));
        EXPECT_EQ(c->window.size(), QSize(690, 640));
        EXPECT_FALSE(c->window.frameInitRnd->isVisible() || c->window.frameInitRnd->isEnabled());
        EXPECT_DOUBLE_EQ(c->State().OuterWidth(), c->window.frameGeometry().width() * 15.0);
    }
    EXPECT_EQ(bob->State().PlayerID(), 1);
}

// Either Enter key sends the line and empties the input; it shows only once relayed.
TEST_F(TwoClients, ChatLinesReachBothLogsThroughTheServer) {
    Type(*alice, "hello there");
    EXPECT_TRUE(alice->window.txtSend->text().isEmpty());
    EXPECT_FALSE(Contains(alice->ChatText(), "hello there"));
    ASSERT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Alice:>hello there"); }));
    Type(*bob, "hi", Qt::Key_Enter);
    EXPECT_TRUE(Both(
        [](TestClient& c) { return Contains(c.ChatText(), "Alice:>hello there\nBob:>hi\n"); }));
}

// The lobby cannot be used before the first settings; giving up a seat reaches the server;
// the last seated player's Ready hides the frame on every client.
TEST_F(TwoClients, LobbyFollowsTheServersRound) {
    auto& a = alice->window;
    a.cmdSpectate->click();
    Pump(200);
    EXPECT_EQ(server.SeatNames(), both);

    server.Game().PickGameType(server::GameType::Points);
    ASSERT_TRUE(Both([](TestClient& c) { return c.window.frameInitRnd->isVisible(); }));
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

// The pointer steers the own paddle (also over the lobby frame); the report reaches the other
// client, which draws it and leaves its own paddle alone.
TEST_F(TwoClients, PointerMovesTheOwnPaddleAndTheOtherClientDrawsIt) {
    const auto bobsOwn = bob->State().Arena().players.at(1);
    // Side 0 is the nearly level top side: the paddle starts at the pointer's x.
    QTest::mouseMove(&alice->window, QPoint(320, 200));
    ASSERT_TRUE(WaitUntil([&] { return alice->State().Arena().players.at(0).x1 == 4800; }));
    const auto moved = alice->State().Arena().players.at(0);
    ASSERT_TRUE(WaitUntil([&] {
        const auto& seen = bob->State().Arena().players.at(0);
        return std::abs(seen.x1 - moved.x1) < 0.01f && std::abs(seen.y2 - moved.y2) < 0.01f;
    }));
    Pump(150);  // drawn, the reported paddle glides there over one report interval
    bob->window.repaint();
    const QImage drawn = bob->window.grab().toImage();
    const auto midX = static_cast<int>((moved.x1 + moved.x2) / 30);
    const auto midY = static_cast<int>((moved.y1 + moved.y2) / 30);
    EXPECT_EQ(drawn.pixelColor(midX, midY), QColor(0, 192, 0));
    EXPECT_EQ(bob->State().Arena().players.at(1).x1, bobsOwn.x1);

    server.Game().PickGameType(server::GameType::Survivor);
    ASSERT_TRUE(WaitUntil([&] { return alice->window.frameInitRnd->isVisible(); }));
    ASSERT_TRUE(alice->window.frameInitRnd->geometry().contains(QPoint(350, 250)));
    QTest::mouseMove(&alice->window, QPoint(350, 250));
    EXPECT_TRUE(WaitUntil([&] { return alice->State().Arena().players.at(0).x1 == 5250; }));
}

// Closing tells the server at once, ends the program after ten Timer1 ticks (about a second),
// and once the session is closed nothing reaches the ended program.
TEST_F(TwoClients, ClosingTellsTheServerAndEndsAboutOneSecondLater) {
    QSignalSpy ticks(&alice->window.Timer1, &QTimer::timeout);
    QElapsedTimer clock;
    clock.start();
    alice->window.close();
    alice->window.close();
    EXPECT_TRUE(Contains(alice->ChatText(), "\nPlease Wait While Program Exits"));
    ASSERT_TRUE(WaitUntil([&] { return server.SeatNames() == Strings{"Bob"}; }));
    EXPECT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Alice has left"); }));
    ASSERT_TRUE(WaitUntil([&] { return !alice->exitCodes.empty(); }, 4000));
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_EQ(ticks.count(), 10);

    const std::string log = alice->ChatText();
    Type(*bob, "still there?");
    ASSERT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Bob:>still there?"); }));
    Pump(200);
    EXPECT_EQ(alice->ChatText(), log);
    EXPECT_EQ(alice->exitCodes, std::vector<int>{0});
}

// A lost server shows the notice and nothing else: the program runs on, a line that cannot go
// out stays in the input, and closing still ends the program in the usual way.
TEST_F(TwoClients, LostServerShowsTheNoticeAndKeepsRunning) {
    server.session.CloseServer();
    const std::string notice(client::kConnectionLostNotice);
    ASSERT_TRUE(Both([&](TestClient& c) { return Contains(c.ChatText(), notice); }));
    Pump(300);
    EXPECT_TRUE(alice->exitCodes.empty() && alice->prompter.criticals.empty());
    EXPECT_EQ(Names(*alice), both);
    Type(*alice, "anyone?");
    EXPECT_EQ(alice->window.txtSend->text().toStdString(), "anyone?");
    alice->window.close();
    EXPECT_TRUE(WaitUntil([&] { return alice->exitCodes == std::vector<int>{0}; }, 4000));
}

}  // namespace
}  // namespace quorvex::test

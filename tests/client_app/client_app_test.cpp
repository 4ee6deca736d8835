// Two real client windows against a real server: meeting, chat, the lobby, the paddle, and
// leaving.

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

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
        ASSERT_TRUE(WaitUntil([this] { return SeesBoth(*alice) && SeesBoth(*bob); }));
    }

    bool SeesBoth(const TestClient& client) const {
        return client.Column(client.window.PlayerName) == Strings{"Alice", "Bob"};
    }

    static void Type(TestClient& client, const char* text, Qt::Key enter = Qt::Key_Return) {
        QTest::keyClicks(client.window.txtSend, QString::fromUtf8(text));
        QTest::keyClick(client.window.txtSend, enter);
    }

    TestServer server;
    std::unique_ptr<TestClient> alice;
    std::unique_ptr<TestClient> bob;
};

TEST_F(TwoClients, SeeEachOtherInTheirSeatTables) {
    std::vector<std::string> ids;
    for (const auto& row : server.Game().Seats()) {
        ids.push_back(row.playerIndex);
    }
    for (TestClient* client : {alice.get(), bob.get()}) {
        const auto& w = client->window;
        EXPECT_EQ(w.windowTitle().toStdString(), "Quorvex V1.0 - by Marbeck");
        EXPECT_EQ(client->Column(w.PlayerIndex), ids);
        EXPECT_EQ(client->Column(w.PlayerWins), (Strings{"0", "0"}));
        EXPECT_EQ(client->Column(w.PlayerMisses), (Strings{"0", "0"}));
        EXPECT_FALSE(w.frameInitRnd->isVisible());
        EXPECT_TRUE(Contains(client->ChatText(), "**Connected to Chat Server**"));
        EXPECT_TRUE(client->prompter.criticals.empty());
        EXPECT_TRUE(client->exitCodes.empty());
        // The ball's right edge is the window's outer edge, frame included.
        EXPECT_DOUBLE_EQ(client->State().OuterWidth(), w.frameGeometry().width() * 15.0);
        EXPECT_GE(client->State().OuterWidth(), 10350);
    }
    EXPECT_EQ(alice->State().PlayerID(), 0);
    EXPECT_EQ(bob->State().PlayerID(), 1);
}

TEST_F(TwoClients, ChatLinesReachBothLogsThroughTheServer) {
    Type(*alice, "hello there");
    EXPECT_TRUE(alice->window.txtSend->text().isEmpty());
    // Not shown before the server has relayed it.
    EXPECT_FALSE(Contains(alice->ChatText(), "hello there"));
    ASSERT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Alice:>hello there"); }));
    Type(*bob, "hi", Qt::Key_Enter);
    EXPECT_TRUE(bob->window.txtSend->text().isEmpty());
    for (TestClient* client : {alice.get(), bob.get()}) {
        EXPECT_TRUE(WaitUntil([client] {
            return Contains(client->ChatText(), "Alice:>hello there\nBob:>hi\n");
        })) << client->ChatText();
    }
}

TEST_F(TwoClients, OtherKeysOnlyEditTheLine) {
    Type(*alice, "abc", Qt::Key_Tab);
    EXPECT_EQ(alice->window.txtSend->text().toStdString(), "abc");
    Pump(200);
    EXPECT_FALSE(Contains(bob->ChatText(), "abc"));
}

TEST_F(TwoClients, LobbyFollowsTheServersRound) {
    auto& a = alice->window;
    auto& b = bob->window;
    // Nothing in the frame can be used before the first game settings.
    a.cmdSpectate->click();
    Pump(200);
    EXPECT_EQ(server.SeatNames(), (Strings{"Alice", "Bob"}));

    server.Game().PickGameType(server::GameType::Points);
    for (auto* w : {&a, &b}) {
        ASSERT_TRUE(WaitUntil([w] { return w->frameInitRnd->isVisible(); }));
        EXPECT_TRUE(w->frameInitRnd->isEnabled());
        EXPECT_EQ(w->lblGameType->text().toStdString(), "Points Mode");
        EXPECT_EQ(w->lblLimit->text().toStdString(), "1");
        EXPECT_EQ(w->lblPRdy->text().toStdString(), "<Rdy>") << "no Ready message yet";
        EXPECT_EQ(w->lblNOP->text().toStdString(), "2");
        EXPECT_FALSE(w->cmdJoin->isEnabled());
        EXPECT_TRUE(w->cmdRdy->isEnabled());
        EXPECT_TRUE(w->cmdSpectate->isEnabled());
    }

    a.cmdSpectate->click();
    EXPECT_TRUE(a.cmdJoin->isEnabled());
    EXPECT_FALSE(a.cmdRdy->isEnabled());
    EXPECT_FALSE(a.cmdSpectate->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return bob->Column(b.PlayerName) == Strings{"Bob"}; }));
    EXPECT_EQ(server.SeatNames(), Strings{"Bob"});
    ASSERT_TRUE(WaitUntil([&] { return alice->Column(a.PlayerName) == Strings{"Bob"}; }));
    EXPECT_EQ(alice->State().PlayerID(), -1);

    a.cmdJoin->click();
    const Strings bobFirst{"Bob", "Alice"};
    ASSERT_TRUE(WaitUntil([&] {
        return alice->Column(a.PlayerName) == bobFirst && bob->Column(b.PlayerName) == bobFirst;
    }));
    EXPECT_EQ(alice->State().PlayerID(), 1);
    EXPECT_EQ(server.SeatNames(), (Strings{"Bob", "Alice"}));

    a.cmdRdy->click();
    EXPECT_FALSE(a.cmdRdy->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return b.lblPRdy->text() == "1"; }));
    EXPECT_TRUE(b.frameInitRnd->isVisible());
    b.cmdRdy->click();
    // The last seated player's Ready closes the frame on every client.
    for (auto* w : {&a, &b}) {
        EXPECT_TRUE(WaitUntil([w] { return !w->frameInitRnd->isVisible(); }));
        EXPECT_EQ(w->lblPRdy->text().toStdString(), "2");
    }
}

// The pixel of `image` at twips (x, y).
QColor PixelAt(const QImage& image, double x, double y) {
    return image.pixelColor(static_cast<int>(x / 15), static_cast<int>(y / 15));
}

TEST_F(TwoClients, PointerMovesTheOwnPaddleAndTheOtherClientDrawsIt) {
    const int seat = alice->State().PlayerID();
    ASSERT_EQ(seat, 0);
    const auto before = alice->State().Arena().players.at(0);
    const auto bobsOwn = bob->State().Arena().players.at(1);

    // Side 0 is the nearly level top side: the paddle starts at the pointer's x.
    QTest::mouseMove(&alice->window, QPoint(300, 200));
    ASSERT_TRUE(WaitUntil([&] { return alice->State().Arena().players.at(0).x1 == 4500; }));
    EXPECT_NE(alice->State().Arena().players.at(0).y1, before.y1);
    EXPECT_NEAR(alice->State().Arena().players.at(0).x2, 5500, 1);
    // A held button makes no difference.
    QMouseEvent drag(QEvent::MouseMove, QPointF(310, 200), QPointF(310, 200), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&alice->window, &drag);
    EXPECT_EQ(alice->State().Arena().players.at(0).x1, 4650);
    QTest::mouseMove(&alice->window, QPoint(320, 200));
    ASSERT_EQ(alice->State().Arena().players.at(0).x1, 4800);
    const auto moved = alice->State().Arena().players.at(0);

    // Relayed as text with seven significant digits.
    const auto near = [](float a, float b) { return std::fabs(a - b) < 0.01f; };
    ASSERT_TRUE(WaitUntil([&] {
        const auto& seen = bob->State().Arena().players.at(0);
        return near(seen.x1, moved.x1) && near(seen.y1, moved.y1) && near(seen.x2, moved.x2) &&
               near(seen.y2, moved.y2);
    }));
    // Bob's window draws it: green in the middle of the paddle, the arena black beside it.
    bob->window.repaint();
    const QImage drawn = bob->window.grab().toImage();
    const double midX = (moved.x1 + moved.x2) / 2;
    const double midY = (moved.y1 + moved.y2) / 2;
    EXPECT_EQ(PixelAt(drawn, midX, midY), QColor(0, 192, 0));
    EXPECT_EQ(PixelAt(drawn, midX, midY + 300), QColor(0, 0, 0));
    // Bob's own paddle is not steered by Alice's pointer.
    EXPECT_EQ(bob->State().Arena().players.at(1).x1, bobsOwn.x1);
    EXPECT_EQ(bob->State().Arena().players.at(1).y1, bobsOwn.y1);
}

TEST_F(TwoClients, PointerOverTheLobbyFrameStillSteers) {
    server.Game().PickGameType(server::GameType::Survivor);
    ASSERT_TRUE(WaitUntil([&] { return alice->window.frameInitRnd->isVisible(); }));
    // (350, 250) px lies inside the frame, over one of its labels.
    ASSERT_TRUE(alice->window.frameInitRnd->geometry().contains(QPoint(350, 250)));
    QTest::mouseMove(&alice->window, QPoint(350, 250));
    EXPECT_TRUE(WaitUntil([&] { return alice->State().Arena().players.at(0).x1 == 5250; }));
}

TEST_F(TwoClients, ClosingTellsTheServerAndEndsAboutOneSecondLater) {
    QSignalSpy ticks(&alice->window.Timer1, &QTimer::timeout);
    QElapsedTimer clock;
    clock.start();
    alice->window.close();
    alice->window.close();  // a second close changes nothing
    EXPECT_TRUE(alice->window.isVisible());
    EXPECT_TRUE(Contains(alice->ChatText(), "\nPlease Wait While Program Exits"));
    ASSERT_TRUE(WaitUntil([&] { return server.SeatNames() == Strings{"Bob"}; }));
    EXPECT_EQ(server.Game().Roster().size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Alice has left"); }));
    EXPECT_TRUE(alice->exitCodes.empty());

    ASSERT_TRUE(WaitUntil([&] { return !alice->exitCodes.empty(); }, 4000));
    const auto elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 2500);
    EXPECT_EQ(alice->exitCodes, std::vector<int>{0});
    EXPECT_EQ(ticks.count(), 10);
    EXPECT_EQ(alice->State().Timer1Interval(), 1024);

    // The session is closed: nothing reaches the ended program any more.
    const std::string log = alice->ChatText();
    Type(*bob, "still there?");
    ASSERT_TRUE(WaitUntil([&] { return Contains(bob->ChatText(), "Bob:>still there?"); }));
    Pump(200);
    EXPECT_EQ(alice->ChatText(), log);
    EXPECT_EQ(ticks.count(), 10);
    EXPECT_EQ(alice->exitCodes.size(), 1u);
}

TEST_F(TwoClients, LostServerShowsTheNoticeAndKeepsRunning) {
    server.session.CloseServer();
    const std::string notice(client::kConnectionLostNotice);
    for (TestClient* client : {alice.get(), bob.get()}) {
        EXPECT_TRUE(WaitUntil([&] { return Contains(client->ChatText(), notice); }));
    }
    Pump(300);
    for (TestClient* client : {alice.get(), bob.get()}) {
        EXPECT_TRUE(client->exitCodes.empty());
        EXPECT_TRUE(client->prompter.criticals.empty());
        EXPECT_TRUE(client->window.isVisible());
        EXPECT_EQ(client->Column(client->window.PlayerName), (Strings{"Alice", "Bob"}));
    }
    // A line that cannot go out stays in the input line.
    Type(*alice, "anyone?");
    EXPECT_EQ(alice->window.txtSend->text().toStdString(), "anyone?");
    // Closing still ends the program in the usual way.
    alice->window.close();
    EXPECT_TRUE(WaitUntil([&] { return alice->exitCodes == std::vector<int>{0}; }, 4000));
}

}  // namespace
}  // namespace quorvex::test

// Whole games on one event loop: a real server, real client windows, the ball stepped by the
// test so that every step is judged by every client before the next one. After each step of
// the story every client's window must agree with the server.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cmath>

#include "protocol/numeric.h"
#include "server/game/server_game.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using server::GameType;

const char* ModeLabel(GameType type) {
    switch (type) {
        case GameType::Points:
            return "Points Mode";
        case GameType::Survivor:
            return "Surivor Mode";
        default:
            return "Free-4-All";
    }
}

class Table : public ::testing::Test {
  protected:
    void Join(const std::string& name) {
        clients_.push_back(TestClient::Named(server_.Port(), name));
        ASSERT_TRUE(clients_.back()->WaitSeated()) << name;
        ASSERT_TRUE(WaitInSync()) << Describe();
    }

    server::ServerGame& Game() { return server_.Game(); }

    // Every client's four columns show the server's seat table.
    bool InSync() {
        const auto& seats = Game().Seats();
        for (auto& c : clients_) {
            const auto& w = c->window;
            if (c->Column(w.PlayerIndex).size() != seats.size())
                return false;
            for (std::size_t i = 0; i < seats.size(); ++i) {
                if (c->Column(w.PlayerIndex)[i] != seats[i].playerIndex ||
                    c->Column(w.PlayerName)[i] != seats[i].playerName ||
                    c->Column(w.PlayerWins)[i] != seats[i].playerWins ||
                    c->Column(w.PlayerMisses)[i] != seats[i].playerMisses) {
                    return false;
                }
            }
        }
        return true;
    }
    bool WaitInSync() {
        return WaitUntil([this] { return InSync(); });
    }

    std::string Describe() {
        std::string out = "server:";
        for (const auto& s : Game().Seats()) {
            out += " [" + s.playerIndex + " " + s.playerName + " " + s.playerWins + "/" +
                   s.playerMisses + "]";
        }
        for (auto& c : clients_) {
            out += "\nclient " + c->State().MyName() + ":";
            const auto& w = c->window;
            for (std::size_t i = 0; i < c->Column(w.PlayerIndex).size(); ++i) {
                out += " [" + c->Column(w.PlayerIndex)[i] + " " + c->Column(w.PlayerName)[i] + " " +
                       c->Column(w.PlayerWins)[i] + "/" + c->Column(w.PlayerMisses)[i] + "]";
            }
        }
        return out;
    }

    // Every client shows the lobby with the server's settings.
    bool LobbyShown() {
        for (auto& c : clients_) {
            const auto& w = c->window;
            if (!w.frameInitRnd->isVisible() ||
                w.lblGameType->text() != ModeLabel(Game().SelectedGameType()) ||
                w.lblLimit->text().toStdString() != Game().Limit() ||
                w.lblNOP->text().toStdString() != std::to_string(Game().Seats().size())) {
                return false;
            }
        }
        return true;
    }
    bool LobbyHiddenEverywhere() {
        for (auto& c : clients_) {
            if (c->window.frameInitRnd->isVisible())
                return false;
        }
        return true;
    }

    void EveryoneReady() {
        for (auto& c : clients_) {
            if (c->State().PlayerID() >= 0) {
                c->window.cmdRdy->click();
            }
        }
        ASSERT_TRUE(WaitUntil(
            [this] { return Game().ReadyCount() >= static_cast<int>(Game().Seats().size()); }));
        ASSERT_TRUE(WaitUntil([this] { return LobbyHiddenEverywhere(); }));
        ASSERT_TRUE(Game().BallGate());
    }

    // The pointer of every seated client goes where its paddle meets the ball.
    void ChaseTheBall() {
        for (auto& c : clients_) {
            const auto& ball = c->State().Ball();
            const QPoint at(static_cast<int>((ball.left + 27) / 15),
                            static_cast<int>((ball.top + 227) / 15));
            QTest::mouseMove(&c->window, at);
        }
    }

    // One ball tick, then until every client has judged it and the server has heard back.
    void Step() {
        ASSERT_TRUE(Game().BallStep());
        const float left = static_cast<float>(*NumericValue(Game().BallLeft()));
        const float top = static_cast<float>(*NumericValue(Game().BallTop()));
        ASSERT_TRUE(WaitUntil([&] {
            for (auto& c : clients_) {
                if (c->State().Ball().left != left || c->State().Ball().top != top)
                    return false;
            }
            return true;
        }));
        Pump(3);  // the clients' reports travel back to the server
    }

    struct Tally {
        int steps = 0;
        int bounces = 0;
        int misses = 0;
        std::vector<std::string> missesBeforeEnd;
    };

    // Plays until the round ends (the server resets the ready count) or `maxSteps` pass.
    Tally PlayRound(int maxSteps, int chaseSteps) {
        Tally tally;
        for (; tally.steps < maxSteps && Game().ReadyCount() > 0; ++tally.steps) {
            if (tally.steps < chaseSteps) {
                ChaseTheBall();
            }
            std::vector<std::string> misses;
            for (const auto& s : Game().Seats())
                misses.push_back(s.playerMisses);
            const std::string angle = Game().BallAngle();
            Step();
            if (::testing::Test::HasFatalFailure())
                return tally;
            const bool reset = Game().BallLeft() == "5235" && Game().BallTop() == "3750";
            if (reset) {
                ++tally.misses;
                tally.missesBeforeEnd = misses;
            } else if (Game().BallAngle() != angle) {
                ++tally.bounces;
            }
        }
        return tally;
    }

    TestServer server_;
    std::vector<std::unique_ptr<TestClient>> clients_;
};

TEST_F(Table, PointsRoundsPlayToTheirEndThroughTheLobbyIntoTheNext) {
    for (const char* name : {"Ann", "Bob", "Cy"})
        Join(name);
    ASSERT_TRUE(Game().SetLimitText("2"));
    ASSERT_TRUE(Game().PickGameType(GameType::Points));
    ASSERT_TRUE(WaitUntil([this] { return LobbyShown(); }));
    EXPECT_FALSE(Game().BallGate());  // nobody ready yet
    EveryoneReady();

    for (int round = 0; round < 2; ++round) {
        const Tally tally = PlayRound(3000, 40);
        ASSERT_EQ(Game().ReadyCount(), 0) << "round " << round << " never ended";
        EXPECT_GT(tally.bounces, 0);
        EXPECT_GT(tally.misses, 0);
        // Points: every seat is credited with the limit minus its misses; the missing seat's
        // last miss is the one that reached the limit.
        ASSERT_EQ(tally.missesBeforeEnd.size(), Game().Seats().size());
        int reached = 0;
        for (std::size_t i = 0; i < Game().Seats().size(); ++i) {
            const int before = std::stoi(tally.missesBeforeEnd[i]);
            const int wins = std::stoi(Game().Seats()[i].playerWins);
            EXPECT_TRUE(wins == 2 - before || wins == 2 - (before + 1)) << Describe();
            reached += wins == 2 - (before + 1) ? 1 : 0;
            EXPECT_EQ(Game().Seats()[i].playerMisses, "0");
        }
        EXPECT_EQ(reached, 1);
        ASSERT_TRUE(WaitInSync()) << Describe();
        ASSERT_TRUE(WaitUntil([this] { return LobbyShown(); }));
        EXPECT_FALSE(Game().BallGate());
        EveryoneReady();
    }
}

TEST_F(Table, ASurvivorRoundEndsWhenAllButTwoAreOut) {
    for (const char* name : {"Ann", "Bob", "Cy"})
        Join(name);
    ASSERT_TRUE(Game().SetLimitText("0"));
    ASSERT_TRUE(Game().PickGameType(GameType::Survivor));
    ASSERT_TRUE(WaitUntil([this] { return LobbyShown(); }));
    EveryoneReady();
    const Tally tally = PlayRound(1000, 0);
    ASSERT_EQ(Game().ReadyCount(), 0);
    EXPECT_EQ(tally.misses, 1);  // with three seats and limit 0 the first miss ends it
    int winners = 0;
    for (const auto& s : Game().Seats())
        winners += s.playerWins == "1" ? 1 : 0;
    EXPECT_EQ(winners, 2);
    ASSERT_TRUE(WaitInSync()) << Describe();
    ASSERT_TRUE(WaitUntil([this] { return LobbyShown(); }));
}

TEST_F(Table, FreeForAllRunsWhileAnyoneSitsAndPlayersComeAndGo) {
    Join("Ann");
    Join("Bob");
    EXPECT_TRUE(Game().BallGate());  // Free 4 All: no one needs to be ready
    for (int i = 0; i < 20; ++i) {
        Step();
        ASSERT_FALSE(HasFatalFailure());
    }
    ASSERT_TRUE(WaitInSync()) << Describe();

    Join("Cy");  // mid-round
    EXPECT_EQ(clients_[0]->window.PlayerIndex->count(), 3);
    for (int i = 0; i < 10; ++i)
        Step();
    ASSERT_TRUE(WaitInSync()) << Describe();

    // A chat line reaches everyone.
    clients_[2]->window.txtSend->setText(QStringLiteral("hi all"));
    QTest::keyClick(clients_[2]->window.txtSend, Qt::Key_Return);
    for (auto& c : clients_) {
        ASSERT_TRUE(WaitUntil([&] { return Contains(c->ChatText(), "Cy:>hi all"); }));
    }

    // Bob leaves by closing his window: the others see him go.
    clients_[1]->window.close();
    ASSERT_TRUE(WaitUntil([this] { return Game().Seats().size() == 2; }));
    ASSERT_TRUE(WaitUntil([this] { return clients_[1]->exitCodes.size() == 1; }, 4000));
    auto bob = std::move(clients_[1]);
    clients_.erase(clients_.begin() + 1);
    for (auto& c : clients_) {
        ASSERT_TRUE(WaitUntil([&] { return Contains(c->ChatText(), "Bob has left"); }));
    }
    ASSERT_TRUE(WaitInSync()) << Describe();

    // The operator kicks Cy: Cy stays connected but leaves the game.
    ASSERT_TRUE(Game().Kick(1));
    ASSERT_TRUE(WaitUntil([this] { return Contains(clients_[0]->ChatText(), "Cy has left"); }));
    ASSERT_TRUE(WaitInSync()) << Describe();
    EXPECT_EQ(clients_[1]->State().PlayerID(), -1);

    // Ann spectates: no one sits, so the ball stops.
    clients_[0]->window.cmdSpectate->setEnabled(true);
    ASSERT_TRUE(Game().PickGameType(GameType::FreeForAll));
    ASSERT_TRUE(WaitUntil([this] { return LobbyShown(); }));
    clients_[0]->window.cmdSpectate->click();
    ASSERT_TRUE(WaitUntil([this] { return Game().Seats().empty(); }));
    EXPECT_FALSE(Game().BallGate());
    ASSERT_TRUE(WaitInSync()) << Describe();
}

TEST_F(Table, AKilledClientStaysListedUntilKickedWhileTheOthersPlayOn) {
    for (const char* name : {"Ann", "Bob", "Cy"})
        Join(name);
    clients_.pop_back();  // Cy's program dies: its connection closes without a PlayerLeft
    Pump(300);
    EXPECT_EQ(Game().Seats().size(), 3u);
    for (int i = 0; i < 10; ++i) {
        Step();
        ASSERT_FALSE(HasFatalFailure());
    }
    ASSERT_TRUE(WaitInSync()) << Describe();
    ASSERT_TRUE(Game().Kick(2));
    for (auto& c : clients_) {
        ASSERT_TRUE(WaitUntil([&] { return Contains(c->ChatText(), "Cy has left"); }));
    }
    ASSERT_TRUE(WaitInSync()) << Describe();
}

TEST_F(Table, PaddlesFollowThePointerOnEveryScreen) {
    Join("Ann");
    Join("Bob");
    Join("Cy");
    auto& ann = *clients_[0];
    const int seat = ann.State().PlayerID();
    ASSERT_GE(seat, 0);
    QTest::mouseMove(&ann.window, QPoint(300, 120));
    const auto moved = ann.State().Arena().players[seat];
    // Coordinates travel as text with seven significant digits.
    const auto near = [](float a, float b) { return std::abs(a - b) < 0.01f; };
    for (auto& c : clients_) {
        ASSERT_TRUE(WaitUntil([&] {
            const auto& p = c->State().Arena().players[seat];
            return near(p.x1, moved.x1) && near(p.y1, moved.y1) && near(p.x2, moved.x2) &&
                   near(p.y2, moved.y2);
        })) << c->State().MyName();
    }
}

}  // namespace
}  // namespace quorvex::test

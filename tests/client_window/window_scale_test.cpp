// The window at any size: the same place on the surface is the same place in the game, the
// controls and their fonts scale together, and the right edge stays where every client has it. Keys
// steer the own paddle and the next report carries it to the other players.

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

// Twips (4800, 3000) over the arena is pixel (320, 200) of the natural 690 x 640 surface.
TEST(WindowSize, SamePlaceOnTheSurfaceIsTheSamePlaceInTheGame) {
    TestServer server;
    ASSERT_FALSE(server.hostError) << *server.hostError;
    auto ann = TestClient::Named(server.Port(), "Ann");
    ASSERT_TRUE(ann->WaitSeated());
    auto& w = ann->window;
    const struct {
        QSize size;
        QPoint pointer;  // where (4800, 3000) is drawn
        double factor;
        QRect frame;  // frameInitRnd: 3000, 1560, 4575, 4095 twips
    } table[] = {
        {{690, 640}, {320, 200}, 1, {200, 104, 305, 273}},
        {{1380, 1280}, {640, 400}, 2, {400, 208, 610, 546}},
        {{1035, 1280}, {480, 460}, 1.5, {300, 316, 458, 410}},  // 160 pixels above and below
    };
    for (const auto& row : table) {
        w.resize(row.size);
        QTest::mouseMove(&w, QPoint(5, 5));
        QTest::mouseMove(&w, row.pointer);
        const auto& paddle = ann->State().Arena().players.at(0);
        EXPECT_FLOAT_EQ(paddle.x1, 4800) << row.factor;
        EXPECT_FLOAT_EQ(paddle.x2, 5799.999f) << row.factor;
        EXPECT_EQ(w.frameInitRnd->geometry(), row.frame) << row.factor;
        EXPECT_DOUBLE_EQ(w.cmdJoin->font().pointSizeF(), 13.5 * row.factor);
        EXPECT_DOUBLE_EQ(ann->State().OuterWidth(), 10380) << row.factor;
    }
}

TEST(Keys, HeldKeysSlideThePaddleAndTheNextReportCarriesIt) {
    TestServer server;
    auto ann = TestClient::Named(server.Port(), "Ann");
    ASSERT_TRUE(ann->WaitSeated());
    auto bob = TestClient::Named(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitSeated());
    ASSERT_TRUE(WaitUntil([&] { return ann->State().Arena().players.size() == 2; }));
    const auto AnnsPaddle = [&] { return ann->State().Arena().players.at(0).x1; };
    // Ann's paddle as Bob has it from her last report (seven digits of it).
    const auto BobSeesAnn = [&] {
        return std::abs(bob->State().Arena().players.at(0).x1 - AnnsPaddle()) < 0.01f;
    };
    QTest::mouseMove(&ann->window, QPoint(300, 200));
    auto& w = ann->window;
    QTest::keyClick(w.txtSend, Qt::Key_D);
    EXPECT_EQ(w.txtSend->text(), "d") << "in the chat line a letter is typed";
    EXPECT_FLOAT_EQ(AnnsPaddle(), 4500);
    QTest::keyClick(w.txtSend, Qt::Key_Escape);
    EXPECT_EQ(w.focusWidget(), &w) << "Esc gives the keys to the arena";

    QTest::keyPress(&w, Qt::Key_Right);
    EXPECT_TRUE(w.frameTimer.isActive());
    EXPECT_EQ(w.frameTimer.interval(), 17) << "a frame per refresh of the 60 Hz screen";
    Pump(300);
    QTest::keyRelease(&w, Qt::Key_Right);
    const float right = AnnsPaddle();
    EXPECT_GT(right, 4500 + 900);  // 3000 twips a second at first, and rising
    EXPECT_TRUE(WaitUntil(BobSeesAnn));

    // A over another control moves left; the pointer, used last, wins again.
    QTest::keyPress(w.PlayerName, Qt::Key_A);
    Pump(100);
    QTest::keyRelease(w.PlayerName, Qt::Key_A);
    EXPECT_LT(AnnsPaddle(), right);
    EXPECT_TRUE(WaitUntil(BobSeesAnn));
    QTest::mouseMove(&w, QPoint(200, 200));
    EXPECT_FLOAT_EQ(AnnsPaddle(), 3000);
    Pump(150);
    EXPECT_FLOAT_EQ(AnnsPaddle(), 3000) << "no key held: nothing moves it";
    EXPECT_TRUE(WaitUntil([&] { return !w.frameTimer.isActive(); })) << "nothing moves: no frames";
}

}  // namespace
}  // namespace quorvex::test

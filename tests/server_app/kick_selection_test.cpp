// The console's kick with a person's mouse and keyboard: only a selected row is kicked, a
// selection follows its player across list changes, and a deselected or merely focused row
// never comes back selected.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "kit/recording_player.h"
#include "tests/server_app/console_window.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using Names = std::vector<std::string>;

void Click(QListWidget* box, int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(box->viewport(), Qt::LeftButton, keys,
                      box->visualItemRect(box->item(row)).center());
}

struct Console : ::testing::Test, ConsoleWindow {
    Console() {
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            bots.push_back(std::make_unique<kit::RecordingPlayer>(host.Port(), name));
            EXPECT_TRUE(bots.back()->WaitConnected());
        }
        EXPECT_TRUE(WaitUntil([&] { return window.PlayerIndex->count() == 3; }));
    }
    void Newcomer() {
        const int before = window.PlayerIndex->count();
        bots.push_back(std::make_unique<kit::RecordingPlayer>(host.Port(), "Dan"));
        ASSERT_TRUE(bots.back()->WaitConnected());
        ASSERT_TRUE(WaitUntil([&] { return window.PlayerIndex->count() == before + 1; }));
    }
    void Kick() { QTest::mouseClick(window.cmdKick, Qt::LeftButton); }

    std::vector<std::unique_ptr<kit::RecordingPlayer>> bots;
};

TEST_F(Console, AClickedRowIsKickedAndTheOthersLearnOfIt) {
    Click(window.PlayerIndex, 1);
    Kick();
    EXPECT_EQ(Players(), (Names{"Ann", "Cid"}));
    ASSERT_TRUE(WaitUntil([&] { return bots[0]->Last<msg::PlayerLeft>().has_value(); }));
    EXPECT_EQ(bots[0]->Last<msg::PlayerLeft>()->id, bots[1]->Id());
}

TEST_F(Console, ADeselectedRowStaysDeselectedWhenANewcomerJoins) {
    Click(window.PlayerIndex, 1);
    Click(window.PlayerIndex, 1, Qt::ControlModifier);
    ASSERT_TRUE(window.PlayerIndex->selectedItems().isEmpty());
    Newcomer();
    EXPECT_TRUE(window.PlayerIndex->selectedItems().isEmpty());
    Kick();
    EXPECT_EQ(Players(), (Names{"Ann", "Bob", "Cid", "Dan"}));
}

TEST_F(Console, ARowWithKeyboardFocusOnlyIsNeverKicked) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Limit->setFocus();
    for (int tabs = 0; tabs < 10 && !window.PlayerIndex->hasFocus(); ++tabs)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(window.PlayerIndex->hasFocus());
    Newcomer();
    EXPECT_TRUE(window.PlayerIndex->selectedItems().isEmpty());
    Kick();
    EXPECT_EQ(Players(), (Names{"Ann", "Bob", "Cid", "Dan"}));
}

// Rows above the pick go and a newcomer comes: the pick stays on its player; when its player
// is gone, nothing is picked.
TEST_F(Console, TheSelectionFollowsItsPlayerNotItsRowNumber) {
    Click(window.PlayerIndex, 1);  // Bob
    ASSERT_TRUE(bots[0]->Send(msg::PlayerLeft{bots[0]->Id()}));
    ASSERT_TRUE(WaitUntil([&] { return window.PlayerIndex->count() == 2; }));
    Newcomer();
    Kick();
    EXPECT_EQ(Players(), (Names{"Cid", "Dan"}));

    Click(window.PlayerIndex, 0);  // Cid
    ASSERT_TRUE(bots[2]->Send(msg::PlayerLeft{bots[2]->Id()}));
    ASSERT_TRUE(WaitUntil([&] { return window.PlayerIndex->count() == 1; }));
    EXPECT_TRUE(window.PlayerIndex->selectedItems().isEmpty());
    Kick();
    EXPECT_EQ(Players(), (Names{"Dan"}));
}

}  // namespace
}  // namespace quorvex::test

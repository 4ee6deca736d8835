// The client's seat lists share the console's column code: a picked row stays with its
// player, a deselected one stays deselected.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

TEST(ClientSeatLists, KeepOnlyARealSelectionAcrossChanges) {
    TestServer server;
    auto ann = TestClient::Named(server.Port(), "Ann");
    ASSERT_TRUE(ann->WaitSeated());
    auto bob = TestClient::Named(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitSeated());
    QListWidget* names = ann->window.PlayerName;
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 2; }));
    const QPoint row1 = names->visualItemRect(names->item(1)).center();
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, row1);
    auto cid = TestClient::Named(server.Port(), "Cid");
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 3; }));
    ASSERT_EQ(names->selectedItems().size(), 1);
    EXPECT_EQ(names->selectedItems().front()->text(), "Bob");
    QTest::mouseClick(names->viewport(), Qt::LeftButton, Qt::ControlModifier, row1);
    auto dan = TestClient::Named(server.Port(), "Dan");
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 4; }));
    EXPECT_TRUE(names->selectedItems().isEmpty());
}

}  // namespace
}  // namespace quorvex::test

// The client's seat lists share the console's column code: a picked row stays with its
// player, a deselected one stays deselected.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

QPoint Center(QListWidget* box, int row) {
    return box->visualItemRect(box->item(row)).center();
}

TEST(ClientSeatLists, KeepOnlyARealSelectionAcrossChanges) {
    TestServer server;
    auto ann = TestClient::Named(server.Port(), "Ann");
    ASSERT_TRUE(ann->WaitSeated());
    auto bob = TestClient::Named(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitSeated());
    QListWidget* names = ann->window.PlayerName;
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 2; }));
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, Center(names, 1));
    auto cid = TestClient::Named(server.Port(), "Cid");
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 3; }));
    ASSERT_EQ(names->selectedItems().size(), 1);
    EXPECT_EQ(names->selectedItems().front()->text(), "Bob");
    QTest::mouseClick(names->viewport(), Qt::LeftButton, Qt::ControlModifier, Center(names, 1));
    auto dan = TestClient::Named(server.Port(), "Dan");
    ASSERT_TRUE(WaitUntil([&] { return names->count() == 4; }));
    EXPECT_TRUE(names->selectedItems().isEmpty());
}

}  // namespace
}  // namespace quorvex::test

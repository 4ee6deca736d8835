// Every caption, prompt, label, heading, button text and notice of the client, read from what
// it shows, against the wording players have always seen, misspellings included.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/client_app/app_fixture.h"
#include "tests/support/shown_texts.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

TEST(ClientTexts, TheClientShowsItsOwnWording) {
    TestServer server;
    TestClient ann(server.Port(), Answers{"", "127.0.0.1", "Ann"});
    ASSERT_TRUE(ann.WaitSeated());
    std::vector<std::string> asked;
    for (const auto& q : ann.prompter.asked)
        asked.push_back(q.prompt + "|" + q.title + "|" + q.defaultAnswer);
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "Please enter a hostname/IP address|Hostname required|127.0.0.1",
                         "Please enter a hostname/IP address|Hostname required|127.0.0.1",
                         "Playername?|Playername|Myself"}));
    EXPECT_EQ(ann.window.windowTitle(), "Quorvex V1.0 - by Marbeck");
    EXPECT_TRUE(Contains(ann.ChatText(), "**Connected to Chat Server**"));
    EXPECT_EQ(
        ShownTexts(ann.window),
        Sorted({"ID", "Name", "Wins", "Misses", "Initiating Next Round",
                "Game Type:", "<Game Type>", "Game Settings:", "<Limit>", "Ready",
                "Players Ready =", "<Rdy>", "of", "<Plyrs>", "Join", "Spectate", "Reconnecting…"}));

    const std::pair<server::GameType, const char*> captions[] = {
        {server::GameType::Survivor, "Surivor Mode"},
        {server::GameType::Points, "Points Mode"},
        {server::GameType::FreeForAll, "Free-4-All"},
    };
    for (const auto& [type, caption] : captions) {
        server.Game().PickGameType(type);
        EXPECT_TRUE(WaitUntil([&] { return ann.window.lblGameType->text() == caption; }))
            << caption;
    }

    QTest::keyClicks(ann.window.txtSend, QStringLiteral("hi"));
    QTest::keyClick(ann.window.txtSend, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return Contains(ann.ChatText(), "Ann:>hi"); }));

    auto bob = TestClient::Named(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitSeated());
    bob->window.close();
    EXPECT_TRUE(Contains(bob->ChatText(), "\nPlease Wait While Program Exits"));
    EXPECT_TRUE(WaitUntil([&] { return Contains(ann.ChatText(), "Bob has left"); }));

    server.host.CloseServer();
    EXPECT_TRUE(WaitUntil([&] {
        return Contains(ann.ChatText(),
                        "*** Connection with server lost. Attempting to send messages may casue "
                        "errors - So you should probably just quit or wait or something...***");
    }));
}

}  // namespace
}  // namespace quorvex::test

// The real console window, offscreen, while scripted players act; and a start-up that fails.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "kit/recording_player.h"
#include "tests/server_app/console_window.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using Console = ConsoleWindow;

TEST(ServerWindow, ShowsItsPlayersAndRunsTheBall) {
    Console console;
    kit::RecordingPlayer ann(console.host.Port(), "Ann");
    kit::RecordingPlayer bob(console.host.Port(), "Bob");
    ASSERT_TRUE(ann.WaitConnected() && bob.WaitConnected());
    ASSERT_TRUE(WaitUntil([&] { return console.window.PlayerIndex->count() == 2; }));
    EXPECT_EQ(Rows(console.window.PlayerName), (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(Rows(console.window.PlayerIndex),
              (std::vector<std::string>{std::to_string(ann.Id()), std::to_string(bob.Id())}));
    EXPECT_EQ(Rows(console.window.PlayerWins), (std::vector<std::string>{"0", "0"}));

    // Free 4 All with seated players: the gate lets the ball run within a second.
    auto& w = console.window;
    const auto moved = [&] {
        return w.lblBallTop->text() != "3750" || w.lblBallLeft->text() != "5235";
    };
    ASSERT_TRUE(WaitUntil(moved, 3000));
    EXPECT_TRUE(console.window.tmrBallHandler.Stepping());

    // Picking Points raises the limit and tells the players.
    console.window.Option1->click();
    EXPECT_EQ(console.window.Limit->text(), "1");
    ASSERT_TRUE(WaitUntil([&] { return ann.Last<msg::GameSettings>().has_value(); }));
    EXPECT_EQ(ann.Last<msg::GameSettings>()->gameType, msg::kGamePoints);
    EXPECT_EQ(ann.Last<msg::GameSettings>()->limit, "1");
}

// The first tick may come a little early or late; it still shows one second.
TEST(ServerWindow, OneSecondAfterStartUpTheUptimeShowsOneSecond) {
    Console console;
    int ticks = 0;  // counted after the window's own handler has run
    QObject::connect(&console.window.tmrUptime, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 3000));
    EXPECT_EQ(console.window.lblUptime->text(), "Uptime: 00:00:01");
}

TEST(ServerWindow, WithoutASessionEverythingFailsCleanly) {
    Console console(std::nullopt);  // the operator cancelled the player count
    ASSERT_EQ(console.prompter.criticals.size(), 1u);
    EXPECT_EQ(console.prompter.criticals[0].title, "InitServer");
    EXPECT_EQ(console.prompter.criticals[0].text.rfind("Error #", 0), 0u);
    EXPECT_EQ(console.window.Text1->toPlainText(), "Err: Could Not Retrive Hostname/IP");
    EXPECT_EQ(console.window.windowTitle(), "Quorvex Server [Server running]");
    console.window.Option2->click();
    console.window.cmdKick_Click();
    console.window.Text1_Click();
    EXPECT_TRUE(console.window.Option2->isChecked());
    Pump(1100);  // one uptime tick with no session
    EXPECT_FALSE(console.window.tmrBallHandler.Stepping());
}

// The window asks for the player count and converts the answer; the host takes the number.
TEST(ServerStartUp, FailuresAreReportedAndLeaveNoSession) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "must be a number"},
        {"eleven", "must be a number"},
        {"1", "at least 2"},
        {"1e12", "too large"}};
    for (const auto& [answer, expected] : cases) {
        Console console(answer);
        ASSERT_EQ(console.prompter.criticals.size(), 1u) << expected;
        const std::string& error = console.prompter.criticals[0].text;
        EXPECT_EQ(error.rfind("Error #", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_FALSE(console.host.IsHosting());
        EXPECT_FALSE(console.host.Game().PickGameType(server::GameType::Points));  // nobody
    }
    Console rounds("2.5");
    EXPECT_TRUE(rounds.prompter.criticals.empty());  // 2.5 rounds to 2 players
    EXPECT_TRUE(rounds.host.IsHosting());

    // A count from the command line skips the prompt.
    ScriptedPrompter none;
    server::GameHost host;
    server::ServerWindow window(host, none, 0, 4);
    window.Start();
    EXPECT_TRUE(none.asked.empty());
    EXPECT_TRUE(host.IsHosting());
}

}  // namespace
}  // namespace quorvex::test

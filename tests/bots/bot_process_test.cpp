// quorvex-client --bot as a real process: its command line, leaving on SIGTERM, and the
// console's button that starts computer players, its kick and its end.

#include <gtest/gtest.h>

#include <algorithm>

#include <QListWidget>
#include <QProcess>
#include <QPushButton>

#include "client/bot/bot_options.h"
#include "tests/server_app/console_window.h"
#include "tests/support/bot.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using client::bot::BotError;
using client::bot::BotOptions;
using client::bot::ParseBotCommandLine;

TEST(ComputerPlayerCommandLine, TakesItsOptionsAndRefusesTheRest) {
    const auto options = ParseBotCommandLine(
        {"--bot", "--host", "::1", "--port=4001", "--name", "CPU 2", "--skill", "5"});
    ASSERT_TRUE(std::holds_alternative<BotOptions>(options));
    const auto& o = std::get<BotOptions>(options);
    EXPECT_EQ(std::make_tuple(o.host, o.port, o.name, o.skill),
              std::make_tuple(std::string("::1"), 4001, std::string("CPU 2"), 5));
    EXPECT_TRUE(std::holds_alternative<client::bot::NotBot>(ParseBotCommandLine({"--host", "x"})));
    const std::vector<std::string> bads[] = {{"--bot", "--skill", "0"},
                                             {"--bot", "--skill", "6"},
                                             {"--bot", "--skill", "3x"},
                                             {"--bot", "--port", "65536"},
                                             {"--bot", "--host", ""},
                                             {"--bot", "--name"},
                                             {"--bot", "--skill", "1", "--skill", "2"},
                                             {"--bot", "--fast"}};
    for (const auto& bad : bads)
        EXPECT_TRUE(std::holds_alternative<BotError>(ParseBotCommandLine(bad))) << bad.back();
}

struct Console : ConsoleWindow {
    Console() { window.Bots().SetProgram(QUORVEX_CLIENT); }
};

TEST(ComputerPlayerProgram, LeavesOnSigtermAsAPersonDoes) {
    Console console;
    Bot watcher(console.host.Port(), "Watcher");
    ASSERT_TRUE(watcher.WaitConnected());
    QProcess bot;
    bot.start(QUORVEX_CLIENT, {"--bot", "--port", QString::number(console.host.Port()), "--name",
                               "CPU 7", "--skill", "5"});
    ASSERT_TRUE(WaitUntil([&] { return console.Players().size() == 2; }, 10000));
    const std::int32_t id = std::stoi(console.host.Game().Seats()[1].playerIndex);
    watcher.Forget();
    bot.terminate();
    ASSERT_TRUE(WaitUntil([&] { return bot.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(bot.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(bot.exitCode(), 0);
    // Scoreboard without it, then PlayerLeft for it (ball and paddle news aside).
    std::vector<std::uint8_t> seen;
    for (const auto type : watcher.Types())
        if (type == static_cast<std::uint8_t>(msg::Type::Scoreboard) ||
            type == static_cast<std::uint8_t>(msg::Type::PlayerLeft))
            seen.push_back(type);
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{4, 3}));
    ASSERT_TRUE(watcher.Last<msg::PlayerLeft>());
    EXPECT_EQ(watcher.Last<msg::PlayerLeft>()->id, id);
    EXPECT_EQ(watcher.Last<msg::Scoreboard>()->seats.size(), 1u);
}

TEST(ComputerPlayerProgram, ComeFromTheConsoleAndGoWithAKickOrTheServer) {
    Console console;
    console.window.cmdAddComputer->click();
    console.window.cmdAddComputer->click();
    ASSERT_TRUE(WaitUntil([&] { return console.Players().size() == 2; }, 10000));
    auto names = console.Players();
    std::sort(names.begin(), names.end());  // they connect in any order
    EXPECT_EQ(names, (std::vector<std::string>{"CPU 1", "CPU 2"}));

    console.window.PlayerIndex->setCurrentRow(console.Players()[0] == "CPU 1" ? 0 : 1);
    console.window.cmdKick_Click();
    EXPECT_EQ(console.Players(), (std::vector<std::string>{"CPU 2"}));
    EXPECT_TRUE(WaitUntil([&] { return console.window.Bots().Running() == 1; }, 5000));

    console.window.close();
    EXPECT_EQ(console.window.Bots().Running(), 0);
}

}  // namespace
}  // namespace quorvex::test

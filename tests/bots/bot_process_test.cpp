// quorvex-client --bot as a real process: its exit codes, leaving on SIGTERM, and the
// console's button that starts computer players, its kick and its end.

#include <gtest/gtest.h>

#include <algorithm>

#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>

#include "kit/recording_player.h"
#include "tests/server_app/console_window.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();  // closed again with `probe`
}

// The exit codes as a script sees them: 0 for help and version, 2 for a mistake in the line, 1
// for a game that could not be joined.
TEST(ComputerPlayerProgram, ExitCodes) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{"--bot", "-v"}, 0, "quorvex-client " QUORVEX_VERSION},
        {{"--bot", "--name", QString(300, 'x')}, 2, "--name is longer than 256 bytes"},
        {{"--bot", "--port", QString::number(FreePort())}, 1, "No Quorvex server is running"},
    };
    for (const Case& c : cases) {
        QProcess bot;
        bot.start(QUORVEX_CLIENT, c.arguments);
        ASSERT_TRUE(bot.waitForFinished(10000));
        const QByteArray said = bot.readAllStandardOutput() + bot.readAllStandardError();
        EXPECT_EQ(bot.exitCode(), c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(said.contains(c.says)) << said.toStdString();
    }
}

struct Console : ConsoleWindow {
    Console() { window.Bots().SetProgram(QUORVEX_CLIENT); }
};

TEST(ComputerPlayerProgram, LeavesOnSigtermAsAPersonDoes) {
    Console console;
    kit::RecordingPlayer watcher(console.host.Port(), "Watcher");
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
    // The server's news may still be on its way when the process has gone.
    ASSERT_TRUE(WaitUntil([&] { return watcher.Last<msg::PlayerLeft>().has_value(); }, 5000));
    // Scoreboard without it, then PlayerLeft for it (ball and paddle news aside).
    std::vector<std::uint8_t> seen;
    for (const auto type : watcher.Types())
        if (type == static_cast<std::uint8_t>(msg::Type::Scoreboard) ||
            type == static_cast<std::uint8_t>(msg::Type::PlayerLeft))
            seen.push_back(type);
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{4, 3}));
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

// The console's password reaches the computer players it starts, though never their command
// line.
TEST(ComputerPlayerProgram, JoinAServerThatAsksForAPassword) {
    Console console;
    console.window.txtPassword->setText("secret");
    console.window.cmdAddComputer->click();
    EXPECT_TRUE(
        WaitUntil([&] { return console.Players() == std::vector<std::string>{"CPU 1"}; }, 10000));
}

}  // namespace
}  // namespace quorvex::test

// Computer players started by the server: --bots and --bot-skill at start, `bot` on the dedicated
// server's standard input.

#include <gtest/gtest.h>

#include <QProcess>

#include "server/command_line.h"
#include "server/dedicated/console_commands.h"
#include "server/game/server_game.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

TEST(DedicatedBots, CommandLineAndCommandTakeCountAndSkillWithinBounds) {
    const auto parse = [](QStringList words) {
        words.prepend("quorvex-server");
        return server::ParseServerCommandLine(words);
    };
    const auto good = parse({"--headless", "--players", "4", "--bots", "3", "--bot-skill", "5"});
    ASSERT_FALSE(good.exitCode) << good.text;
    EXPECT_EQ(good.options.bots, 3);
    EXPECT_EQ(good.options.botSkill, 5);
    for (const QStringList& bad : {QStringList{"--headless", "--players", "4", "--bots", "4"},
                                   {"--headless", "--players", "4", "--bots", "-1"},
                                   {"--headless", "--players", "4", "--bot-skill", "0"},
                                   {"--headless", "--players", "4", "--bot-skill", "6"}}) {
        EXPECT_EQ(parse(bad).exitCode, 2) << bad.join(' ').toStdString();
    }

    struct NoOutbox : Outbox {
        bool Send(const Buffer&) override { return true; }
    } outbox;
    server::ServerGame game(outbox);
    const auto run = [&](const char* line) { return server::RunConsoleCommand(game, line, ""); };
    EXPECT_EQ(run("bot").startBot, 0);  // the server's --bot-skill
    EXPECT_EQ(run("bot 1").startBot, 1);
    EXPECT_EQ(run("bot 5").startBot, 5);
    for (const char* bad : {"bot 0", "bot 6", "bot 3 4", "bot x"}) {
        EXPECT_FALSE(run(bad).startBot) << bad;
        EXPECT_EQ(run(bad).lines.at(0).rfind("error: ", 0), 0u) << bad;
    }
}

TEST(DedicatedBots, StartWithTheServerOnCommandAndEndWithIt) {
    QProcess server;
    server.start(QUORVEX_SERVER, {"--headless", "--players", "5", "--port", "0", "--bots", "2",
                                  "--bot-skill", "1", "--game", "points", "--limit", "1"});
    std::string log;
    const auto logged = [&](const std::string& text, std::size_t times = 1) {
        return WaitUntil(
            [&] {
                log += server.readAllStandardOutput().toStdString();
                std::size_t found = 0;
                for (auto at = log.find(text); at != std::string::npos;
                     at = log.find(text, at + 1)) {
                    ++found;
                }
                return found >= times;
            },
            10000);
    };
    ASSERT_TRUE(logged("joined: ", 2)) << log;
    EXPECT_TRUE(logged("computer player \"CPU 1\" started, skill 1"));
    server.write("bot 4\n");
    ASSERT_TRUE(logged("computer player \"CPU 3\" started, skill 4")) << log;
    ASSERT_TRUE(logged("joined: ", 3)) << log;
    // The game was picked before anyone came: each newcomer still gets the lobby, so the
    // rounds run without anyone at the desk.
    EXPECT_TRUE(logged("round ended: ")) << log;
    server.write("quit\n");
    ASSERT_TRUE(WaitUntil([&] { return server.state() == QProcess::NotRunning; }, 8000));
    EXPECT_EQ(server.exitCode(), 0);
}

}  // namespace
}  // namespace quorvex::test

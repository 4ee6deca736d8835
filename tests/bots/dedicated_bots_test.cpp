// Computer players started by the server: --bots and --bot-skill at start, `bot` on the dedicated
// server's standard input.

#include <gtest/gtest.h>

#include "server/command_line.h"
#include "server/dedicated/console_commands.h"
#include "server/game/server_game.h"
#include "tests/dedicated/dedicated_process.h"

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
    for (const QStringList& bad :
         {QStringList{"--bots", "4"}, {"--bots", "-1"}, {"--bot-skill", "0"}, {"--bot-skill", "6"}})
        EXPECT_EQ(parse(QStringList{"--headless", "--players", "4"} + bad).exitCode, 2)
            << bad.join(' ').toStdString();

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
    Dedicated server({"--headless", "--players", "5", "--port", "0", "--bots", "2", "--bot-skill",
                      "1", "--game", "points", "--limit", "1"});
    ASSERT_TRUE(server.Next("joined: ", 10000) && server.Next("joined: ", 10000)) << server.log;
    EXPECT_NE(server.log.find("computer player \"CPU 1\" started, skill 1"), std::string::npos);
    server.Command("bot 4");
    ASSERT_TRUE(server.Next("computer player \"CPU 3\" started, skill 4", 10000)) << server.log;
    ASSERT_TRUE(server.Next("joined: ", 10000)) << server.log;
    // The game was picked before anyone came: each newcomer still gets the lobby, so the
    // rounds run without anyone at the desk.
    EXPECT_TRUE(server.Next("round ended: ", 10000)) << server.log;
    server.Command("quit");
    ASSERT_TRUE(server.Exited(8000));
    EXPECT_EQ(server.process.exitCode(), 0);
}

TEST(DedicatedBots, JoinAServerThatAsksForAPassword) {
    Dedicated server(
        {"--headless", "--players", "3", "--port", "0", "--bots", "1", "--password", "secret"});
    ASSERT_TRUE(server.Next("joined: ", 10000)) << server.log;
    server.Command("list");
    EXPECT_TRUE(server.Next("\"CPU 1\"; seat 0")) << server.log;
    server.Command("quit");
    EXPECT_TRUE(server.Exited(8000));
}

}  // namespace
}  // namespace quorvex::test

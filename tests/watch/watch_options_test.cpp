// The watch page's and the standings' options, and the stats command's words.

#include <gtest/gtest.h>

#include "server/command_line.h"
#include "server/dedicated/console_commands.h"

namespace quorvex::server {
namespace {

TEST(WatchOptions, CommandLine) {
    const auto parse = [](QStringList words) {
        words.prepend("quorvex-server");
        return ParseServerCommandLine(words);
    };
    const struct {
        QStringList words;
        std::optional<std::int32_t> port;
        bool local;
    } good[] = {
        {{}, std::nullopt, false},
        {{"--web", "8080"}, 8080, false},
        {{"--web-local", "0"}, 0, true},
    };
    for (const auto& row : good) {
        const auto line = parse(row.words);
        ASSERT_FALSE(line.exitCode) << line.text;
        EXPECT_EQ(line.options.webPort, row.port);
        EXPECT_EQ(line.options.webLoopbackOnly, row.local);
    }
    EXPECT_EQ(parse({"--stats-file", ""}).options.statsFile, "");
    EXPECT_FALSE(parse({}).options.statsFile);
    for (const QStringList& bad : {QStringList{"--web", "65536"},
                                   {"--web-local", "-1"},
                                   {"--web", "80", "--web-local", "81"},
                                   {"--web", "x"}}) {
        EXPECT_EQ(parse(bad).exitCode, 2) << bad.join(' ').toStdString();
    }
}

TEST(WatchOptions, StatsCommandWithoutStandingsOrWithBadWords) {
    struct NoOutbox : Outbox {
        bool Send(const Buffer&) override { return true; }
    } outbox;
    ServerGame game(outbox);
    for (const char* line : {"stats", "stats 0", "stats 1001", "stats x", "stats 1 2"}) {
        const auto reply = RunConsoleCommand(game, line, "");
        ASSERT_EQ(reply.lines.size(), 1u) << line;
        EXPECT_EQ(reply.lines[0].rfind("error: ", 0), 0u) << line;
    }
}

}  // namespace
}  // namespace quorvex::server

// The settings file beside the command line, the password's sources, and when standard input
// is read.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

#include "server/dedicated/console_input.h"
#include "server/server_config.h"

namespace quorvex::server {
namespace {

struct Loaded {
    CommandLine result;
    std::string path;
};

Loaded LoadWith(const char* file, QStringList extra = {}) {
    static QTemporaryDir dir;
    const QString path = dir.filePath("server.conf");
    QFile out(path);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(file);
    out.close();
    return {LoadServerOptions(QStringList{"quorvex-server", "--config", path} + extra),
            path.toStdString()};
}

TEST(ServerConfig, EachLineIsCheckedAndTheCommandLineWins) {
    const struct {
        const char* file;
        QStringList extra;
        const char* error;  // after "FILE:"; empty: read
        int players;
    } rows[] = {
        {"players = 5\nheadless = true\n", {}, "", 5},
        {"# note\n[server]\nplayers = 5\nheadless = true\n", {"--players", "7"}, "", 7},
        {"players = 5\nheadless = false\n", {}, "", 5},
        {"[server]\nplayers = 11\n", {"--headless", "--no-stdin"}, "", 11},
        {"[server]\nplayers = 5\nheadless = true\nlimit = 200\n", {}, "4: --limit takes", 0},
        {"headless = true\nbots = 9\nplayers = 3\n", {}, "2: --bots takes", 0},
        {"players = 5\nfoo = 1\n", {}, "2: unknown key \"foo\"", 0},
        {"players = 5\nplayers = 6\n", {}, "2: players is given twice (first on line 1)", 0},
        {"players 5\n", {}, "1: not a key = value line", 0},
        {"[client]\n", {}, "1: unknown section [client]", 0},
        {"headless = maybe\n", {}, "1: headless takes true or false", 0},
        {"headless = true\n", {}, "1: --headless needs --players", 0},
        {"players = 5\nheadless = true\npassword-file = /nonexistent/pw\n", {}, "", -4},
    };
    for (const auto& row : rows) {
        const auto [loaded, path] = LoadWith(row.file, row.extra);
        SCOPED_TRACE(row.file);
        if (row.players < 0) {
            EXPECT_EQ(loaded.exitCode, kExitNoPassword);
        } else if (*row.error == '\0') {
            ASSERT_FALSE(loaded.exitCode) << loaded.text;
            EXPECT_EQ(loaded.options.players, row.players);
        } else {
            EXPECT_EQ(loaded.exitCode, 2);
            EXPECT_EQ(loaded.text.rfind("quorvex-server: " + path + ":" + row.error, 0), 0u)
                << loaded.text;
        }
    }
    const auto missing =
        LoadServerOptions({"quorvex-server", "--config", "/nonexistent/server.conf"});
    EXPECT_EQ(missing.exitCode, 2);
}

TEST(ServerConfig, ThePasswordComesFromItsFileOrTheCredentialNeverBoth) {
    QTemporaryDir dir;
    const auto write = [&](const char* name, const char* text) {
        QFile out(dir.filePath(name));
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(text);
    };
    const QStringList base{"quorvex-server", "--headless", "--players", "3"};
    write("pw", "s3cret\nignored\n");
    const struct {
        const char* credential;  // the credential's content; null: no credential
        QStringList extra;
        const char* password;
        int code;
    } rows[] = {
        {nullptr, {"--password-file", dir.filePath("pw")}, "s3cret", 0},
        {"cred\n", {}, "cred", 0},
        {"\n", {}, "", 0},  // the unit's fallback: no password
        {"cred\n", {"--password", "typed"}, "typed", 0},
        {nullptr, {"--password-file", dir.filePath("none")}, "", kExitNoPassword},
        {nullptr, {"--password", "a", "--password-file", dir.filePath("pw")}, "", 2},
    };
    for (const auto& row : rows) {
        if (row.credential != nullptr) {
            write("password", row.credential);
            setenv("CREDENTIALS_DIRECTORY", dir.path().toLocal8Bit().constData(), 1);
        } else {
            unsetenv("CREDENTIALS_DIRECTORY");
        }
        const auto loaded = LoadServerOptions(base + row.extra);
        EXPECT_EQ(loaded.exitCode.value_or(0), row.code) << loaded.text;
        EXPECT_EQ(loaded.options.password, row.password);
    }
    unsetenv("CREDENTIALS_DIRECTORY");
}

TEST(ServerConfig, StandardInputIsReadUnlessItIsABackgroundTerminal) {
    const struct {
        bool wanted, terminal, foreground;
        StdinUse use;
    } rows[] = {
        {true, true, true, StdinUse::Read},
        {true, true, false, StdinUse::WaitForForeground},
        {true, false, false, StdinUse::Read},  // a pipe or a file, whatever the job
        {false, true, true, StdinUse::Off},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StdinUseFor(row.wanted, row.terminal, row.foreground), row.use)
            << row.wanted << row.terminal << row.foreground;
    }
}

}  // namespace
}  // namespace quorvex::server

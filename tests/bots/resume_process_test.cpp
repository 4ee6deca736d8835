// The real client program killed with SIGKILL and started again: within the grace it comes
// back as the same player from the ticket in its settings; after it, it joins anew.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "tests/dedicated/dedicated_process.h"

namespace quorvex::test {
namespace {

TEST(ResumeProcess, AKilledClientStartedAgainComesBackOnlyWithinTheGrace) {
    const struct {
        QStringList grace;
        int restartAfterMs;
        const char* then;
    } rows[] = {{{}, 0, "came back: "}, {{"--resume-grace", "1"}, 1500, "joined: "}};
    for (const auto& row : rows) {
        QTemporaryDir config;
        Dedicated server(QStringList{"--headless", "--players", "4", "--port", "0"} + row.grace);
        const quint16 port = server.Port();
        if (row.grace.isEmpty()) {
            EXPECT_TRUE(server.Next("may come back within 60 s")) << server.log;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        const QStringList arguments{"--host", "127.0.0.1", "--port", QString::number(port),
                                    "--name", "Ann"};
        QProcess client;
        client.setProcessEnvironment(environment);
        client.start(QUORVEX_CLIENT, arguments);
        ASSERT_TRUE(server.Next("joined: ", 10000)) << server.log;
        const std::string ann =
            server.log.substr(server.seen, server.log.find('\n', server.seen) - server.seen);
        // Killed once the ticket is in its settings, as a person's would be after a while.
        const auto ticketKept = [&] {
            QFile settings(config.path() + "/Quorvex/quorvex-client.conf");
            return settings.open(QIODevice::ReadOnly) && settings.readAll().contains("[resume]");
        };
        ASSERT_TRUE(WaitUntil(ticketKept));
        client.kill();
        client.waitForFinished(3000);
        ASSERT_TRUE(server.Next("connection lost: " + ann)) << server.log;
        QThread::msleep(static_cast<unsigned long>(row.restartAfterMs));
        client.start(QUORVEX_CLIENT, arguments);
        ASSERT_TRUE(server.Next(row.then, 10000)) << server.log;
        const bool cameBack = std::string(row.then) == "came back: ";
        EXPECT_EQ(server.log.compare(server.seen, ann.size(), ann) == 0, cameBack) << server.log;
        EXPECT_EQ(server.log.find("left: "), std::string::npos) << server.log;
        client.kill();
        client.waitForFinished(3000);
    }
}

}  // namespace
}  // namespace quorvex::test

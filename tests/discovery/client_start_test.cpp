// The client's start: the host prompt's list of servers, the remembered host and name, and the
// command line.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "client/window/remembered_choices.h"
#include "client/window/server_finder.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"
#include "ui/qt_prompter.h"

namespace quorvex::test {
namespace {

TEST(HostPrompt, ListsARunningServerWithinASecondAndPicksItsAddress) {
    TestServer server;
    client::ServerFinder finder([] { return QList<QHostAddress>{QHostAddress::LocalHost}; },
                                server.session.DiscoveryPort());
    QElapsedTimer clock;
    qint64 listedAfterMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = QApplication::activeModalWidget();
        auto* list = dialog ? dialog->findChild<QListWidget*>("choices") : nullptr;
        if (list != nullptr && list->count() > 0 && listedAfterMs < 0) {
            listedAfterMs = clock.elapsed();
            list->setCurrentRow(0);
            QTest::keyClick(dialog->findChild<QLineEdit*>("answer"), Qt::Key_Return);
        }
    });
    poll.start(10);
    clock.start();
    QtPrompter prompter;
    const auto answer = prompter.AskTextWithChoices(client::kHostPrompt, client::kHostTitle,
                                                    "typed.example", finder);
    EXPECT_EQ(answer, "127.0.0.1");
    EXPECT_GE(listedAfterMs, 0);
    EXPECT_LT(listedAfterMs, 1000);
}

TEST(RememberedChoices, HostOnceConnectedAndNameOnceTypedAndNothingElse) {
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toUtf8());
    TestServer server;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto deadPort = closed.serverPort();
    closed.close();
    {
        TestClient first(server.Port(), {"localhost", "Ann"}, client::RememberingStartOptions());
        ASSERT_TRUE(WaitUntil([&] { return first.session.State().MyID() != 0; }));
        EXPECT_EQ(first.prompter.asked[0].defaultAnswer, "127.0.0.1");
        EXPECT_EQ(first.prompter.asked[1].defaultAnswer, "Myself");
    }
    {
        TestClient failing(deadPort, {"127.0.0.1", "Bob"}, client::RememberingStartOptions());
        ASSERT_TRUE(WaitUntil([&] { return !failing.exitCodes.empty(); }));
    }
    {
        client::StartOptions given = client::RememberingStartOptions();
        given.host = "::1";  // answers given on the command line are not kept
        given.name = "Bot";
        TestClient scripted(server.Port(), {}, given);
        EXPECT_TRUE(scripted.prompter.asked.empty());
        ASSERT_TRUE(WaitUntil([&] { return scripted.session.State().MyID() != 0; }));
    }
    TestClient second(server.Port(), {"localhost", "Cy"}, client::RememberingStartOptions());
    EXPECT_EQ(second.prompter.asked[0].defaultAnswer, "localhost");
    EXPECT_EQ(second.prompter.asked[1].defaultAnswer, "Bob");
    QSettings stored(scratch.path() + "/Quorvex/quorvex-client.conf", QSettings::IniFormat);
    EXPECT_EQ(stored.allKeys(), (QStringList{"lastHost", "lastName"}));
}

TEST(ClientCommandLine, EveryOptionAndItsErrors) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{"--help"}, 0, "--host <HOST>"},
        {{"-h"}, 0, "--name <NAME>"},
        {{"--version"}, 0, "quorvex-client " QUORVEX_VERSION},
        {{"-v"}, 0, "quorvex-client " QUORVEX_VERSION},
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"--host"}, 2, "Missing value after '--host'"},
        {{"--host", ""}, 2, "--host needs a host name"},
        {{"--host", "a", "--host", "b"}, 2, "--host is given more than once"},
        {{"--name", "a", "--name", "b"}, 2, "--name is given more than once"},
        {{"stray"}, 2, "Unexpected argument 'stray'"},
        {{"--name", QString(257, 'x')}, 2, "--name is longer than 256 bytes"},
    };
    for (const Case& c : cases) {
        QProcess client;
        client.start(QUORVEX_CLIENT, c.arguments);
        ASSERT_TRUE(client.waitForFinished(10000));
        const QByteArray out =
            c.exitCode == 0 ? client.readAllStandardOutput() : client.readAllStandardError();
        EXPECT_EQ(client.exitCode(), c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(out.contains(c.says)) << out.toStdString();
    }
}

}  // namespace
}  // namespace quorvex::test

// Start-up against every kind of other end: the prompts, and each way a connection can fail.

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using Strings = std::vector<std::string>;

// A port nobody listens on.
quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

std::string Where(quint16 port) {
    return "127.0.0.1 (port " + std::to_string(port) + ")";
}

// Waits until the client has shown its one failure box and ended with code 1.
void ExpectConnectFailure(TestClient& client, const std::string& text) {
    ASSERT_TRUE(WaitUntil([&] { return !client.exitCodes.empty(); }, 8000));
    ASSERT_EQ(client.prompter.criticals.size(), 1u);
    EXPECT_EQ(client.prompter.criticals[0].title, "mdlSessionConnect");
    EXPECT_EQ(client.prompter.criticals[0].text, text);
    EXPECT_EQ(client.exitCodes, std::vector<int>{1});
    EXPECT_TRUE(client.session.Ended());
    // Nothing more arrives once the program has ended.
    Pump(100);
    EXPECT_EQ(client.exitCodes.size(), 1u);
    EXPECT_EQ(client.prompter.criticals.size(), 1u);
}

TEST(ClientStartUp, AsksForTheHostUntilAnAnswerIsGivenThenForTheName) {
    TestServer server;
    TestClient client(server.Port(), Answers{"", std::nullopt, "", "127.0.0.1", "Carol"});
    ASSERT_EQ(client.prompter.asked.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        const auto& q = client.prompter.asked[static_cast<std::size_t>(i)];
        EXPECT_EQ(q.prompt, "Please enter a hostname/IP address");
        EXPECT_EQ(q.title, "Hostname required");
        EXPECT_EQ(q.defaultAnswer, "127.0.0.1");
    }
    EXPECT_EQ(client.prompter.asked[4].prompt, "Playername?");
    EXPECT_EQ(client.prompter.asked[4].title, "Playername");
    EXPECT_EQ(client.prompter.asked[4].defaultAnswer, "Myself");
    EXPECT_EQ(client.window.windowTitle().toStdString(), "Quorvex V1.0 - by Marbeck");
    ASSERT_TRUE(client.WaitSeated());
    EXPECT_TRUE(WaitUntil([&] { return server.SeatNames() == Strings{"Carol"}; }));
}

TEST(ClientStartUp, EmptyOrCancelledNamesAreNamesToo) {
    TestServer server;
    TestClient empty(server.Port(), Answers{"127.0.0.1", ""});
    TestClient cancelled(server.Port(), Answers{"127.0.0.1", std::nullopt});
    ASSERT_TRUE(empty.WaitSeated());
    ASSERT_TRUE(cancelled.WaitSeated());
    EXPECT_EQ(empty.State().MyName(), "");
    EXPECT_EQ(cancelled.State().MyName(), "");
    EXPECT_TRUE(WaitUntil([&] { return server.SeatNames() == Strings{"", ""}; }));
}

TEST(ClientStartUp, NoServerAtThePort) {
    const quint16 port = FreePort();
    TestClient client(port, Answers{"127.0.0.1", "Dan"});
    ExpectConnectFailure(client, "Error #5: No Quorvex server is running at " + Where(port));
    EXPECT_FALSE(Contains(client.ChatText(), "Connected"));
}

TEST(ClientStartUp, FullSessionTurnsTheLastPlayerAway) {
    TestServer server("2");  // the server's own player and one more
    auto first = TestClient::Named(server.Port(), "First");
    ASSERT_TRUE(first->WaitSeated());
    TestClient second(server.Port(), Answers{"127.0.0.1", "Second"});
    ExpectConnectFailure(second,
                         "Error #8: The session is full (2 players, the server's own included)");
    EXPECT_TRUE(first->exitCodes.empty());
    EXPECT_EQ(server.SeatNames(), Strings{"First"});
}

TEST(ClientStartUp, ServerOfAnotherApplication) {
    session::SessionServer other;
    session::SessionAddress address;
    address.SetSP(session::kProviderTcpIp);
    address.AddComponentLong("port", 0);
    ASSERT_TRUE(other
                    .Host(session::ApplicationDesc{session::kSessionClientServer,
                                                   "{00000000-0000-0000-0000-000000000000}", 11,
                                                   "Another game"},
                          address, 0)
                    .Ok());
    TestClient client(other.Port(), Answers{"127.0.0.1", "Eve"});
    ExpectConnectFailure(client,
                         "Error #7: Not a Quorvex server: The server at this address hosts "
                         "another application");
}

TEST(ClientStartUp, SomethingElseThatAnswersWithJunk) {
    QTcpServer junk;
    ASSERT_TRUE(junk.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&junk, &QTcpServer::newConnection, [&junk] {
        QTcpSocket* peer = junk.nextPendingConnection();
        peer->write("HTTP/1.0 400 Bad Request\r\n\r\n");
    });
    TestClient client(junk.serverPort(), Answers{"127.0.0.1", "Eve"});
    ExpectConnectFailure(
        client, "Error #7: The server at " + Where(junk.serverPort()) + " is not a Quorvex server");
}

TEST(ClientStartUp, AFailingSetClientInfoEndsTheProgramAtOnce) {
    TestServer server;
    TestClient client(server.Port(), Answers{"127.0.0.1", std::string(300, 'x')});
    ASSERT_EQ(client.prompter.criticals.size(), 1u);
    EXPECT_EQ(client.prompter.criticals[0].title, "mdlSessionConnect");
    EXPECT_EQ(client.prompter.criticals[0].text,
              "Error #9: The player name is longer than 256 bytes");
    EXPECT_EQ(client.exitCodes, std::vector<int>{1});
    // Form_Load stopped inside ConnectToHost.
    EXPECT_EQ(client.window.windowTitle().toStdString(), "Quorvex - Client [Initialized]");
    Pump(200);
    EXPECT_TRUE(server.SeatNames().empty());
}

TEST(ClientStartUp, AConnectRefusedAtOnceEndsTheProgram) {
    TestClient client(70000, Answers{"127.0.0.1", "Fay"});  // no such TCP port
    ASSERT_EQ(client.prompter.criticals.size(), 1u);
    EXPECT_EQ(client.prompter.criticals[0].title, "mdlSessionConnect");
    EXPECT_EQ(client.prompter.criticals[0].text,
              "Error #1: The host address needs a host name and a port");
    EXPECT_EQ(client.exitCodes, std::vector<int>{1});
}

TEST(ClientStartUp, ABlankHostIsUsedAsItStands) {
    TestClient client(FreePort(), Answers{" ", "Gus"});
    EXPECT_EQ(client.prompter.asked.size(), 2u);
    ExpectConnectFailure(client, "Error #4: The host \" \" could not be found");
}

}  // namespace
}  // namespace quorvex::test

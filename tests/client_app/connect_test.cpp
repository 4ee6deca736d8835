// Start-up: the prompts, and each way a connection can fail. A failure must show its one
// "mdlSessionConnect" box and end the program with 1, never leave a window that cannot play.

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using Strings = std::vector<std::string>;

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();  // closed again with `probe`
}

std::string Where(quint16 port) {
    return "127.0.0.1 (port " + std::to_string(port) + ")";
}

// Waits for the client's end, then checks it showed exactly one box with `text` and ended
// once, with 1, and that nothing else arrives afterwards.
void ExpectConnectFailure(TestClient& client, const std::string& text) {
    ASSERT_TRUE(WaitUntil([&] { return !client.exitCodes.empty(); }, 8000));
    Pump(100);
    ASSERT_EQ(client.prompter.criticals.size(), 1u);
    EXPECT_EQ(client.prompter.criticals[0].title, "mdlSessionConnect");
    EXPECT_EQ(client.prompter.criticals[0].text, text);
    EXPECT_EQ(client.exitCodes, std::vector<int>{1});
    EXPECT_FALSE(Contains(client.ChatText(), "Connected"));
}

// An empty or cancelled host is asked again with the same box; then the name box. An empty or
// cancelled name is a name too.
TEST(ClientStartUp, AsksForTheHostUntilAnsweredThenForTheName) {
    TestServer server;
    TestClient carol(server.Port(), Answers{"", std::nullopt, "127.0.0.1", ""});
    TestClient cancelled(server.Port(), Answers{"127.0.0.1", std::nullopt});
    const auto& asked = carol.prompter.asked;
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[2].prompt, asked[0].prompt);
    EXPECT_NE(asked[3].prompt, asked[0].prompt);
    ASSERT_TRUE(carol.WaitSeated());
    ASSERT_TRUE(cancelled.WaitSeated());
    EXPECT_TRUE(WaitUntil([&] { return server.SeatNames() == Strings{"", ""}; }));
}

// A single space is a host like any other: the session says what it makes of it.
TEST(ClientStartUp, NoServerAtThePortOrABlankHost) {
    const quint16 port = FreePort();
    TestClient client(port, Answers{"127.0.0.1", "Dan"}), blank(FreePort(), Answers{" ", "Gus"});
    EXPECT_EQ(blank.prompter.asked.size(), 2u);
    ExpectConnectFailure(client, "Error #5: No Quorvex server is running at " + Where(port));
    ExpectConnectFailure(blank, "Error #4: The host \" \" could not be found");
}

TEST(ClientStartUp, SomethingElseThatAnswersWithJunk) {
    QTcpServer junk;
    ASSERT_TRUE(junk.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&junk, &QTcpServer::newConnection,
                     [&junk] { junk.nextPendingConnection()->write("HTTP/1.0 400 Bad\r\n\r\n"); });
    TestClient client(junk.serverPort(), Answers{"127.0.0.1", "Eve"});
    ExpectConnectFailure(
        client, "Error #7: The server at " + Where(junk.serverPort()) + " is not a Quorvex server");
}

// Failures inside ConnectToHost end the program before Form_Load goes on.
TEST(ClientStartUp, SetClientInfoOrConnectFailingAtOnceEndTheProgram) {
    TestServer server;
    TestClient longName(server.Port(), Answers{"127.0.0.1", std::string(300, 'x')});
    ExpectConnectFailure(longName, "Error #9: The player name is longer than 256 bytes");
    EXPECT_EQ(longName.window.windowTitle().toStdString(), "Quorvex - Client [Initialized]");
    EXPECT_TRUE(server.SeatNames().empty());
    TestClient noPort(70000, Answers{"127.0.0.1", "Fay"});  // no such TCP port
    ExpectConnectFailure(noPort, "Error #1: The host address needs a host name and a port");
}

// A password given on the command line answers the server's question: no box asks for it.
TEST(ClientStartUp, APasswordGivenInAdvanceIsNotAskedFor) {
    TestServer server;
    server.host.SetPassword("sesame");
    client::StartOptions given;
    given.password = "sesame";
    TestClient client(server.Port(), Answers{"127.0.0.1", "Ann"}, given);
    ASSERT_TRUE(client.WaitSeated());
    EXPECT_EQ(client.prompter.asked.size(), 2u);
}

}  // namespace
}  // namespace quorvex::test

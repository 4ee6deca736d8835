// The real quorvex-server in dedicated mode, driven by scripted players and its standard input.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTcpServer>

#include <tuple>

#include "kit/recording_player.h"
#include "tests/dedicated/dedicated_process.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

std::string Named(kit::RecordingPlayer& bot, const std::string& name) {
    return std::to_string(bot.Id()) + " \"" + name + "\"";
}

TEST(Dedicated, HostsRoundsTakesCommandsAndStopsOnSigterm) {
    Dedicated server({"--headless", "--players", "5", "--port", "0", "--game", "points", "--limit",
                      "1", "--drop-after", "1"});
    const quint16 port = server.Port();
    ASSERT_NE(port, 0);
    EXPECT_TRUE(server.Next("host addresses: "));
    const session::Limits limits;
    kit::RecordingPlayer ann(port, "Ann", limits), bob(port, "Bob", limits);
    auto cy = std::make_unique<kit::RecordingPlayer>(port, "Cy", limits);
    ASSERT_TRUE(ann.WaitConnected() && bob.WaitConnected() && cy->WaitConnected());
    for (auto [bot, name] : {std::pair{&ann, "Ann"}, {&bob, "Bob"}, {cy.get(), "Cy"}})
        EXPECT_TRUE(server.Next("joined: " + Named(*bot, name)));
    EXPECT_TRUE(server.Next("seats: 0 " + Named(ann, "Ann") + ", 1 " + Named(bob, "Bob") + ", 2 " +
                            Named(*cy, "Cy")));
    for (kit::RecordingPlayer* bot : {&ann, &bob, cy.get()})
        bot->Send(msg::ReadyRequest{});
    ASSERT_TRUE(WaitUntil([&] { return ann.Last<msg::BallUpdate>().has_value(); })) << server.log;

    // Cy vanishes mid-round: listed as lost, then removed after the grace time.
    const auto cyId = cy->Id();
    const std::string cyNamed = Named(*cy, "Cy");
    cy.reset();
    EXPECT_TRUE(server.Next("connection lost: " + cyNamed));
    EXPECT_TRUE(server.Next("removed after its connection was lost: " + cyNamed, 4000));
    ASSERT_TRUE(WaitUntil([&] { return ann.Last<msg::PlayerLeft>().has_value(); }));
    EXPECT_EQ(ann.Last<msg::PlayerLeft>()->id, cyId);
    EXPECT_EQ(ann.Last<msg::Scoreboard>()->seats.size(), 2u);

    // The round goes on with two seats and ends at Ann's first miss.
    ann.Send(msg::BallEvent{msg::kBallMiss, "0"});
    EXPECT_TRUE(server.Next("round ended: seat 0 " + Named(ann, "Ann") + " wins 0 misses 1; " +
                            "seat 1 " + Named(bob, "Bob") + " wins 1 misses 0"));

    server.Command("list");
    EXPECT_TRUE(server.Next("player " + Named(bob, "Bob") + "; seat 1 wins 1 misses 0"));
    ann.Forget();
    server.Command("kick " + std::to_string(bob.Id()));
    EXPECT_TRUE(server.Next("kicked: " + Named(bob, "Bob")));
    ASSERT_TRUE(WaitUntil([&] { return ann.Last<msg::PlayerLeft>().has_value(); }));
    const auto bobId = std::to_string(bob.Id());
    bob.Link().client.Close();  // a kick leaves the connection open until the player goes
    EXPECT_TRUE(server.Next("connection closed: " + bobId));

    server.Command("game survivor 2");
    EXPECT_TRUE(server.Next("settings: game survivor, limit 2"));
    for (const char* junk : {"kick 99999", "limit 100", "game chess", "dance"}) {
        server.Command(junk);
        EXPECT_TRUE(server.Next("error: ")) << junk;
    }

    server.process.closeWriteChannel();  // the end of input leaves the server running
    EXPECT_TRUE(server.Next("standard input closed"));
    kill(static_cast<pid_t>(server.process.processId()), SIGTERM);
    EXPECT_TRUE(server.Next("SIGTERM; closing the session"));
    EXPECT_TRUE(WaitUntil([&] { return ann.Link().events.terminated == 1; }));
    ASSERT_TRUE(server.Exited());
    EXPECT_EQ(server.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process.exitCode(), 0);
}

TEST(Dedicated, RefusesBadArgumentsAndATakenPort) {
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::Any, 0));
    const QString takenPort = QString::number(taken.serverPort());
    const std::tuple<QStringList, int, const char*> cases[] = {
        // arguments, exit code, says
        {{"--headless"}, 2, "--headless needs --players"},
        {{"--headless", "--players", "1"}, 2, "at least 2"},
        {{"--headless", "--players", "4", "--limit", "100"}, 2, "0 to 99"},
        {{"--headless", "--players", "4", "--limit", "-1"}, 2, "0 to 99"},
        {{"--headless", "--players", "4", "--game", "chess"}, 2, "points, survivor or free4all"},
        {{"--headless", "--players", "4", "--drop-after", "soon"}, 2, "seconds"},
        {{"--players", "4", "--drop-after", "5"}, 2, "dedicated mode"},
        {{"--headless", "--players", "4", "extra"}, 2, "unexpected argument"},
        {{"--frobnicate"}, 2, "frobnicate"},
        {{"--headless", "--players", "4", "--port", takenPort}, 3, "Could not open TCP port"},
        {{"--version"}, 0, "quorvex-server 1."},
        {{"--help"}, 0, "--drop-after"}};
    for (const auto& [arguments, exitCode, says] : cases) {
        QProcess process;
        process.start(QStringLiteral(QUORVEX_SERVER), arguments);
        ASSERT_TRUE(process.waitForFinished(5000)) << arguments.join(' ').toStdString();
        EXPECT_EQ(process.exitCode(), exitCode) << arguments.join(' ').toStdString();
        const QString said = process.readAllStandardOutput() + process.readAllStandardError();
        EXPECT_TRUE(said.contains(QString::fromUtf8(says))) << said.toStdString();
    }
}

}  // namespace
}  // namespace quorvex::test

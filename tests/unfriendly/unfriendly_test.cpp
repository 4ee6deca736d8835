// Unfriendly players: the sending budgets as arithmetic, the session's bounds on a connection
// (message size, half-open connections per address), claims for others, and the password.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTcpSocket>

#include "kit/recording_player.h"
#include "kit/session_ends.h"
#include "protocol/session/password.h"
#include "protocol/session/rate_budget.h"
#include "server/host/game_host.h"
#include "tests/client_app/app_fixture.h"
#include "tests/server_app/console_window.h"
#include "tests/support/raw_peer.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::RateBudget;

TEST(RateBudget, ABurstThenTheRateAndFarOverOnlyWhenTheExcessOutgrowsABurst) {
    struct Step {
        std::int64_t atMs;
        int spend, fitting;  // how many are spent and how many of them fit
        bool farOver;        // afterwards
    };
    // 4 a second with a burst of 8.
    const Step steps[] = {
        {0, 9, 8, false},       // the burst, and one over
        {250, 2, 1, false},     // a quarter second refills one
        {1250, 5, 4, false},    // a second refills four
        {1250, 8, 0, true},     // 9 over in all: more than a burst
        {3500, 1, 1, false},    // the excess fades as the budget refills
        {100000, 9, 8, false},  // a long pause refills no more than the burst
    };
    RateBudget budget(4, 8);
    for (const auto& step : steps) {
        int fitted = 0;
        for (int i = 0; i < step.spend; ++i) {
            fitted += budget.Spend(step.atMs) ? 1 : 0;
        }
        EXPECT_EQ(fitted, step.fitting) << "at " << step.atMs;
        EXPECT_EQ(budget.FarOver(), step.farOver) << "at " << step.atMs;
    }
}

TEST(SessionLimits, AMessageOverTheLargestChatLineClosesItsConnection) {
    session::Limits limits = kit::FastLimits();
    kit::HostedServer host(11, limits);
    limits.maxFrameBytes = 1 << 20;
    kit::ConnectedClient fits(host.Port(), "Ann", limits);
    kit::ConnectedClient over(host.Port(), "Bob", limits);
    ASSERT_TRUE(fits.WaitConnected() && over.WaitConnected());
    ASSERT_TRUE(fits.Send(Buffer(limits.maxPlayerMessageBytes, 1)));
    ASSERT_TRUE(over.Send(Buffer(limits.maxPlayerMessageBytes + 1, 1)));
    ASSERT_TRUE(WaitUntil([&] { return over.events.terminated == 1; }));
    ASSERT_EQ(host.events.received.size(), 1U);
    EXPECT_EQ(host.events.received[0].size(), limits.maxPlayerMessageBytes);
    EXPECT_EQ(fits.events.terminated, 0);
}

TEST(SessionLimits, ACrowdedServerTakesNoMoreHalfOpenConnectionsFromOneAddress) {
    session::Limits limits = kit::FastLimits();
    limits.handshakeTimeoutMs = 5000;
    limits.maxHandshakingPerAddress = 2;
    kit::HostedServer host(11, limits);
    RawPeer first(host.Port(), "127.0.0.2");
    RawPeer second(host.Port(), "127.0.0.2");
    Pump(100);
    RawPeer third(host.Port(), "127.0.0.2");
    const auto refused = third.NextFrame();
    ASSERT_TRUE(refused && refused->first == session::FrameKind::Refuse);
    EXPECT_EQ(session::DecodeRefusal(refused->second)->reason, session::RefuseReason::Busy);
    EXPECT_TRUE(WaitUntil([&] { return third.ClosedByServer(); }, 2000));
    EXPECT_FALSE(first.ClosedByServer() || second.ClosedByServer());
    // This machine is held to the total only: its computer players start all at once.
    RawPeer local1(host.Port());
    RawPeer local2(host.Port());
    RawPeer local3(host.Port());
    Pump(100);
    EXPECT_FALSE(local3.ClosedByServer());

    // Another address is still welcome.
    QTcpSocket elsewhere;
    ASSERT_TRUE(elsewhere.bind(QHostAddress(QStringLiteral("127.0.0.3"))));
    elsewhere.connectToHost(QStringLiteral("127.0.0.1"), host.Port());
    ASSERT_TRUE(WaitUntil([&] { return elsewhere.state() == QAbstractSocket::ConnectedState; }));
    elsewhere.write(FrameBytes(
        session::FrameKind::Hello,
        session::EncodeHello({session::kProtocolVersion, session::kApplicationId, "Cid"})));
    EXPECT_TRUE(WaitUntil([&] { return host.events.created.size() == 2; }));
}

TEST(SessionLimits, AClientTurnedAwayByABusyServerSaysSo) {
    session::Limits limits = kit::FastLimits();
    limits.handshakeTimeoutMs = 5000;
    limits.maxHandshakingPeers = 2;
    kit::HostedServer host(11, limits);
    RawPeer first(host.Port());
    RawPeer second(host.Port());
    Pump(100);
    kit::ConnectedClient client(host.Port(), "Ann");
    EXPECT_FALSE(client.WaitConnected());
    const auto& status = client.events.completions.at(0);
    EXPECT_EQ(status.code, session::ErrorCode::ServerBusy) << status.description;
}

// A player speaks only for itself: what one names for another player is ignored, while the
// same message naming itself works as before.
struct Table : TestServer {
    Table() {
        host.SetLogCallback([this](const std::string& line) { log.push_back(line); });
    }
    std::unique_ptr<kit::RecordingPlayer> Join(const std::string& name) {
        const auto seats = Game().Seats().size();
        auto bot = std::make_unique<kit::RecordingPlayer>(host.Port(), name);
        EXPECT_TRUE(bot->WaitConnected());
        EXPECT_TRUE(WaitUntil([&] { return Game().Seats().size() == seats + 1; }));
        return bot;
    }
    // Seat rows and roster entries as "id:misses" and ids, the state a claim could change.
    std::string State() {
        std::string text;
        for (const auto& row : Game().Seats()) {
            text += row.playerIndex + ":" + row.playerMisses + " ";
        }
        for (const auto& entry : Game().Roster()) {
            text += std::to_string(entry.id) + " ";
        }
        return text;
    }

    std::vector<std::string> log;
    std::unique_ptr<kit::RecordingPlayer> ann = Join("Ann");
    std::unique_ptr<kit::RecordingPlayer> eve = Join("Eve");
};

TEST(SenderChecks, ClaimsForAnotherPlayerAreIgnoredAndOwnOnesStillWork) {
    // Each claim as Eve sends it, naming a player's identifier or, for a miss, a seat.
    const auto claim = [](int kind, const std::string& id, const std::string& seat) {
        // 1 to 3: take a seat, give one up, give one up and withdraw the ready.
        return kind == 0   ? msg::Encode(msg::PlayerLeft{std::stoi(id)})
               : kind == 4 ? msg::Encode(msg::BallEvent{2, seat})
                           : msg::Encode(msg::SeatRequest{static_cast<std::uint8_t>(kind), id});
    };
    for (const int kind : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(kind);
        Table t;
        const std::string annId = std::to_string(t.ann->Id());
        const std::string eveId = std::to_string(t.eve->Id());
        const std::string before = t.State();
        const auto readyBefore = t.Game().ReadyCount();
        // Eve names Ann (seat 0), then a marker that must arrive after it: a Chat.
        ASSERT_TRUE(t.eve->SendBytes(*claim(kind, annId, "0")));
        ASSERT_TRUE(t.eve->Send(msg::Chat{"Eve:>marker"}));
        ASSERT_TRUE(WaitUntil([&] { return !t.ann->All<msg::Chat>().empty(); }));
        EXPECT_EQ(t.State(), before);
        EXPECT_EQ(t.Game().ReadyCount(), readyBefore);
        EXPECT_EQ(t.Game().IgnoredClaims(), 1);
        ASSERT_EQ(t.log.size(), 1U);
        EXPECT_NE(t.log[0].find("from player " + eveId), std::string::npos) << t.log[0];

        // Naming herself (seat 1), Eve is heard.
        ASSERT_TRUE(t.eve->SendBytes(*claim(kind, eveId, "1")));
        EXPECT_TRUE(WaitUntil([&] { return t.State() != before; }));
        EXPECT_EQ(t.Game().IgnoredClaims(), 1);
    }
}

// A password keeps strangers out: the handshake proves it without sending it, each answer is
// good for one connection only, and the client asks for it and says why it was refused.
using session::FrameKind;

// A raw connection that has said hello.
struct Raw : RawPeer {
    explicit Raw(quint16 port) : RawPeer(port) { SendHello(session::kApplicationId, "raw"); }
    Buffer Nonce() {
        const auto frame = NextFrame();
        return frame && frame->first == FrameKind::Challenge ? frame->second : Buffer{};
    }
};

TEST(Password, AnAnswerIsGoodOnceOnItsOwnConnectionAndInTime) {
    kit::HostedServer host;
    host.server.SetPassword("sesame");
    Raw first(host.Port());
    const Buffer nonce = first.Nonce();
    ASSERT_EQ(nonce.size(), session::kNonceBytes);
    const Buffer proof = session::PasswordProof("sesame", nonce);
    first.SendFrame(FrameKind::Answer, proof);
    ASSERT_EQ(first.NextFrame()->first, FrameKind::Welcome);

    // Replayed on another connection: its nonce is another, so the proof is wrong.
    Raw replay(host.Port());
    ASSERT_NE(replay.Nonce(), nonce);
    replay.SendFrame(FrameKind::Answer, proof);
    const auto refused = replay.NextFrame();
    ASSERT_EQ(refused->first, FrameKind::Refuse);
    EXPECT_EQ(session::DecodeRefusal(refused->second)->reason,
              session::RefuseReason::WrongPassword);

    // Sent twice: the second answer is a frame a joined player may not send.
    first.SendFrame(FrameKind::Answer, proof);
    EXPECT_TRUE(WaitUntil([&] { return first.ClosedByServer(); }, 2000));

    // Late: past the handshake time-out the connection is gone before the answer comes.
    Raw late(host.Port());
    ASSERT_FALSE(late.Nonce().empty());
    EXPECT_TRUE(WaitUntil([&] { return late.ClosedByServer(); }, 2000));

    // Without a password the server welcomes at once, and an answer nobody asked for is refused.
    kit::HostedServer open;
    Raw unasked(open.Port());
    ASSERT_EQ(unasked.NextFrame()->first, FrameKind::Welcome);
    unasked.SendFrame(FrameKind::Answer, proof);
    EXPECT_TRUE(WaitUntil([&] { return unasked.ClosedByServer(); }, 2000));
    EXPECT_EQ(host.events.created.size(), 2U);
}

TEST(Password, TheClientAsksOnceAndShowsARefusalInItsConnectBox) {
    TestServer server;
    server.host.SetPassword("sesame");
    TestClient right(server.Port(), Answers{"127.0.0.1", "Ann", "sesame"});
    ASSERT_TRUE(right.WaitSeated());
    EXPECT_EQ(right.prompter.asked.back().prompt + "|" + right.prompter.asked.back().title,
              "Password?|Password");

    // A wrong password (case counts) is named; a cancelled prompt ends with error 14.
    const std::pair<std::optional<std::string>, std::string> refusals[] = {
        {"Sesame", "Error #15: The password is wrong"}, {std::nullopt, "Error #14: "}};
    for (const auto& [password, says] : refusals) {
        TestClient refused(server.Port(), Answers{"127.0.0.1", "Bob", password});
        ASSERT_TRUE(WaitUntil([&] { return !refused.exitCodes.empty(); }));
        ASSERT_EQ(refused.prompter.criticals.size(), 1U);
        const auto& [title, text] = refused.prompter.criticals[0];
        EXPECT_EQ(title, "mdlSessionConnect");
        EXPECT_EQ(password ? text : text.substr(0, says.size()), says);
        EXPECT_EQ(refused.prompter.asked.size(), 3U);
    }
    EXPECT_EQ(server.SeatNames(), std::vector<std::string>{"Ann"});
}

TEST(Password, TheConsoleFieldGuardsNewcomersAndEmptiedLetsAnyoneIn) {
    ConsoleWindow console;
    console.window.txtPassword->setText(QStringLiteral("sesame"));
    kit::ConnectedClient stranger(console.host.Port(), "Eve");
    EXPECT_FALSE(stranger.WaitConnected());
    EXPECT_EQ(stranger.events.completions.at(0).code, session::ErrorCode::PasswordRequired);
    console.window.txtPassword->clear();
    kit::ConnectedClient friendly(console.host.Port(), "Ann");
    EXPECT_TRUE(friendly.WaitConnected());
}

}  // namespace
}  // namespace quorvex::test

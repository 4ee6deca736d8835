// Hostile and broken peers: each is dropped on its own, and the healthy players never notice.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <random>

#include "kit/session_ends.h"
#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "protocol/session/password.h"
#include "tests/support/raw_peer.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

// A healthy player keeps exchanging messages with the server throughout.
void ExpectStillServed(kit::HostedServer& host, kit::ConnectedClient& healthy) {
    const auto before = healthy.events.received.size();
    const auto heardBefore = host.events.received.size();
    ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Buffer{0x55}).Ok());
    ASSERT_TRUE(healthy.Send(Buffer{0x66}));
    ASSERT_TRUE(WaitUntil([&] {
        return healthy.events.received.size() == before + 1 &&
               host.events.received.size() == heardBefore + 1;
    }));
    EXPECT_EQ(healthy.events.terminated, 0);
}

TEST(SessionFaults, GarbageAndBadFramesCloseOnlyThatConnection) {
    kit::HostedServer host;
    kit::ConnectedClient healthy(host.Port(), "Ann");
    ASSERT_TRUE(healthy.WaitConnected());
    std::mt19937 random(7);
    QByteArray garbage(4096, '\0');
    std::generate(garbage.begin(), garbage.end(), [&] { return static_cast<char>(random()); });
    const auto hello = FrameBytes(
        session::FrameKind::Hello,
        session::EncodeHello({session::kProtocolVersion, session::kApplicationId, "Half"}));
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"random bytes", garbage},
        {"oversized length prefix", QByteArray("\xff\xff\xff\x7f", 4)},
        {"zero length", QByteArray(4, '\0')},
        {"an HTTP request", QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n")},
        {"data before the handshake", FrameBytes(session::FrameKind::Data, Buffer{1})},
        {"a welcome sent to the server", FrameBytes(session::FrameKind::Welcome, {})},
        {"an unknown frame kind", FrameBytes(static_cast<session::FrameKind>(99), {})},
        {"half a hello, then silence", hello.left(hello.size() / 2)},
    };
    for (const auto& c : cases) {
        RawPeer peer(host.Port());
        ASSERT_TRUE(peer.Connected()) << c.what;
        peer.SendBytes(c.bytes);
        EXPECT_TRUE(WaitUntil([&] { return peer.ClosedByServer(); }, 2000)) << c.what;
    }
    EXPECT_EQ(host.server.PlayerCount(), 1);
    EXPECT_TRUE(host.events.destroyed.empty());
    ExpectStillServed(host, healthy);
}

TEST(SessionFaults, EitherEndNoticesAPeerThatFallsSilent) {
    kit::HostedServer host;
    RawPeer mute(host.Port());
    mute.SendHello(session::kApplicationId, "Mute");
    ASSERT_TRUE(WaitUntil([&] { return host.server.PlayerCount() == 1; }));
    // It keeps its socket open but never sends again, like a machine that lost its cable.
    EXPECT_TRUE(WaitUntil([&] { return host.events.destroyed.size() == 1; }, 3000));
    EXPECT_EQ(host.server.PlayerCount(), 0);

    // The server's own heartbeat is slowed far beyond the client's patience.
    kit::HostedServer silent(11, [] {
        auto limits = kit::FastLimits();
        limits.heartbeatIntervalMs = limits.peerTimeoutMs = 60000;
        return limits;
    }());
    kit::ConnectedClient ann(silent.Port(), "Ann");
    ASSERT_TRUE(ann.WaitConnected());
    EXPECT_TRUE(WaitUntil([&] { return ann.events.terminated == 1; }, 3000));
}

// A server that welcomes the player and then never reads: the player's queue fills, the send
// that would overflow it fails, and the lost session is told on the event loop afterwards,
// not from inside the caller's send.
TEST(SessionFaults, AServerThatStopsReadingEndsTheSessionOnTheLoop) {
    QTcpServer deaf;
    ASSERT_TRUE(deaf.listen(QHostAddress::LocalHost));
    QTcpSocket* accepted = nullptr;
    QObject::connect(&deaf, &QTcpServer::newConnection, [&] {
        accepted = deaf.nextPendingConnection();
        accepted->setReadBufferSize(1);
        accepted->write(FrameBytes(session::FrameKind::Welcome, session::EncodeWelcome(7)));
    });
    auto limits = kit::FastLimits();
    limits.maxPendingWriteBytes = 64 * 1024;
    limits.peerTimeoutMs = 60000;
    kit::ConnectedClient ann(deaf.serverPort(), "Ann", limits);
    ASSERT_TRUE(ann.WaitConnected());
    const Buffer chunk(16 * 1024, 0xAB);
    int sent = 0;
    for (; sent < 2000 && ann.Send(chunk); ++sent) {
        Pump(1);
    }
    ASSERT_LT(sent, 2000) << "no send was refused";
    EXPECT_EQ(ann.events.terminated, 0);
    EXPECT_FALSE(ann.Send(Buffer{1}));
    EXPECT_TRUE(WaitUntil([&] { return ann.events.terminated == 1; }));
    Pump(50);
    EXPECT_EQ(ann.events.terminated, 1);
}

TEST(SessionFaults, AFloodOfStrangersIsCappedAndLeavesNoPlayers) {
    auto limits = kit::FastLimits();
    limits.maxHandshakingPeers = 20;
    kit::HostedServer host(11, limits);
    kit::ConnectedClient healthy(host.Port(), "Ann");
    ASSERT_TRUE(healthy.WaitConnected());
    std::vector<std::unique_ptr<RawPeer>> crowd;
    for (int i = 0; i < 60; ++i) {
        crowd.push_back(std::make_unique<RawPeer>(host.Port()));
    }
    const auto closed = [](auto& p) { return p->ClosedByServer(); };
    EXPECT_TRUE(WaitUntil([&] { return std::ranges::all_of(crowd, closed); }, 4000));
    ExpectStillServed(host, healthy);
    EXPECT_EQ(host.server.PlayerCount(), 1);
}

// A greeting the server cannot read is called malformed, not a matter of protocol versions.
TEST(HelloRefusal, SaysWhetherTheGreetingIsMalformedOrOfAnotherVersion) {
    kit::HostedServer host;
    struct Case {
        Buffer hello;
        const char* text;
    };
    const Case cases[] = {
        {Buffer{1}, "The server could not read the greeting: it is malformed"},
        {session::EncodeHello({2, session::kApplicationId, "Ann"}),
         "The server speaks another version of the protocol"},
    };
    for (const auto& c : cases) {
        RawPeer peer(host.Port());
        peer.SendFrame(session::FrameKind::Hello, c.hello);
        const auto frame = peer.NextFrame();
        ASSERT_TRUE(frame && frame->first == session::FrameKind::Refuse) << c.text;
        const auto refusal = session::DecodeRefusal(frame->second);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->reason, session::RefuseReason::BadHandshake);
        EXPECT_EQ(refusal->text, c.text);
    }
}

// Announces every newcomer to all, as the game does with its Roster (2) and Scoreboard (4).
struct Announcing : kit::RecordedEvents {
    void CreatePlayer(session::PlayerId id) override {
        kit::RecordedEvents::CreatePlayer(id);
        server->SendTo(session::kAllPlayers, Buffer{2});
        server->SendTo(session::kAllPlayers, Buffer{4});
    }
    session::SessionServer* server = nullptr;
};

// A newcomer that breaks the handshake right after being admitted gets what was queued for it,
// then the close, and leaves as a dropped player does: the same whether its bytes came in one
// write or two.
TEST(GhostPlayer, AdmittedThenClosedGetsItsWelcomeAndLeavesAsADropHoweverTheBytesArrive) {
    const Buffer anyProof(session::kProofBytes, 7);
    // No password, so the answer is unasked for; or the right answer, twice. Split: 50 ms
    // between the two frames, else one write.
    for (const auto& [password, split] :
         {std::pair{"", false}, {"", true}, {"sesame", false}, {"sesame", true}}) {
        const std::string what = std::string(password) + (split ? " split" : " one write");
        kit::HostedServer host;
        Announcing events;
        events.server = &host.server;
        host.server.RegisterMessageHandler(&events);
        host.server.SetPassword(password);
        RawPeer peer(host.Port());
        const auto hello = FrameBytes(
            session::FrameKind::Hello,
            session::EncodeHello({session::kProtocolVersion, session::kApplicationId, "Gus"}));
        QByteArray first = hello;
        QByteArray second = FrameBytes(session::FrameKind::Answer, anyProof);
        if (!std::string(password).empty()) {
            peer.SendBytes(hello);
            const auto challenge = peer.NextFrame();
            ASSERT_TRUE(challenge && challenge->first == session::FrameKind::Challenge) << what;
            first = second = FrameBytes(session::FrameKind::Answer,
                                        session::PasswordProof(password, challenge->second));
        }
        if (split) {
            peer.SendBytes(first);
            Pump(50);
            peer.SendBytes(second);
        } else {
            peer.SendBytes(first + second);
        }

        std::string got;
        session::PlayerId welcomed = 0;
        for (const auto& [kind, payload] : peer.FramesUntilClosed()) {
            if (kind == session::FrameKind::Welcome) {
                welcomed = session::DecodeWelcome(payload).value_or(0);
            }
            got += kind == session::FrameKind::Welcome ? "Welcome "
                   : kind == session::FrameKind::Data && !payload.empty()
                       ? "Data" + std::to_string(payload[0]) + " "
                       : "other ";
        }
        EXPECT_EQ(got, "Welcome Data2 Data4 ") << what;
        ASSERT_TRUE(WaitUntil([&] { return events.destroyed.size() == 1; })) << what;
        EXPECT_EQ(events.destroyed[0], welcomed) << what;
        EXPECT_EQ(events.created.back(), welcomed) << what;
        EXPECT_EQ(host.server.PlayerCount(), 0) << what;
    }
}

}  // namespace
}  // namespace quorvex::test

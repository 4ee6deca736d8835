// The session service over real loopback sockets: handshake, identifiers, delivery.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "kit/session_ends.h"
#include "tests/support/raw_peer.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::ErrorCode;

Buffer Numbered(int i) {
    return Buffer{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0x42};
}

TEST(Session, HostReportsItsOwnPlayerFirstThenEachClientWithAnIdNeverReused) {
    kit::HostedServer host;
    ASSERT_TRUE(host.hosted.Ok()) << host.hosted.description;
    ASSERT_TRUE(WaitUntil([&] { return host.events.created.size() == 1; }));
    const session::PlayerId hostId = host.events.created[0];
    EXPECT_NE(hostId, 0);

    kit::ConnectedClient ann(host.Port(), "Ann");
    kit::ConnectedClient bob(host.Port(), "Bob");
    ASSERT_TRUE(ann.WaitConnected() && bob.WaitConnected());
    ASSERT_TRUE(WaitUntil([&] { return host.events.created.size() == 3; }));

    std::set<session::PlayerId> ids(host.events.created.begin(), host.events.created.end());
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(0), 0u);
    session::PlayerInfo info;
    for (auto [player, name] : {std::pair{&ann, "Ann"}, std::pair{&bob, "Bob"}}) {
        ASSERT_TRUE(host.server.GetClientInfo(player->client.LocalPlayerId(), info).Ok());
        EXPECT_EQ(info.name, name);
    }
    EXPECT_FALSE(host.server.GetClientInfo(424242, info).Ok());

    // Identifiers of players who left are never handed out again.
    for (int i = 0; i < 3; ++i) {
        kit::ConnectedClient c(host.Port(), "p" + std::to_string(i));
        ASSERT_TRUE(c.WaitConnected());
        EXPECT_TRUE(ids.count(c.client.LocalPlayerId()) == 0);
        ids.insert(c.client.LocalPlayerId());
        c.client.Close();
        ASSERT_TRUE(WaitUntil([&] { return host.server.PlayerCount() == 2; }));
    }
}

TEST(Session, RefusalsCarryASpecificReason) {
    struct Case {
        const char* what;
        int maxPlayers;
        std::string applicationId, name;
        ErrorCode expected;
    };
    const Case cases[] = {
        {"wrong application", 11, "{00000000-0000-0000-0000-000000000000}", "Ann",
         ErrorCode::WrongApplication},
        {"full: two players is the server and one client", 2, session::kApplicationId, "Ann",
         ErrorCode::SessionFull},
        {"name too long", 11, session::kApplicationId, std::string(300, 'n'),
         ErrorCode::NameTooLong},
    };
    for (const auto& c : cases) {
        kit::HostedServer host(c.maxPlayers);
        kit::ConnectedClient first(host.Port(), "first");  // takes the one seat a full server has
        ASSERT_TRUE(first.WaitConnected()) << c.what;
        auto limits = kit::FastLimits();
        limits.maxNameBytes = 1000;  // the server's limit is the one under test
        kit::ConnectedClient refused(host.Port(), c.name, limits, c.applicationId);
        ASSERT_TRUE(refused.started.Ok()) << c.what;
        EXPECT_FALSE(refused.WaitConnected()) << c.what;
        ASSERT_FALSE(refused.events.completions.empty()) << c.what;
        EXPECT_EQ(refused.events.completions[0].code, c.expected) << c.what;
        EXPECT_FALSE(refused.events.completions[0].description.empty());
        EXPECT_EQ(host.server.PlayerCount(), 1) << c.what;
        EXPECT_FALSE(refused.Send(Buffer{1})) << c.what;
    }
}

// Two claimants of one token: the newer connection gets the player, the older one is closed
// without the player ever leaving, and a third presenting the same token is refused.
TEST(Session, AResumeWhileTheOldConnectionLivesLeavesExactlyOnePlayer) {
    kit::HostedServer host;
    kit::ConnectedClient first(host.Port(), "Ann");
    ASSERT_TRUE(first.WaitConnected() && first.client.Ticket());
    const auto ticket = *first.client.Ticket();
    std::vector<std::unique_ptr<kit::ConnectedClient>> claimants;
    for (int i = 0; i < 2; ++i) {
        claimants.push_back(std::make_unique<kit::ConnectedClient>(0, "Ann"));
        auto& c = claimants.back()->client;
        c.SetResume(ticket);
        ASSERT_TRUE(session::ConnectScripted(c, "Ann", "127.0.0.1", host.Port()).Ok());
        ASSERT_TRUE(WaitUntil([&] { return !claimants.back()->events.completions.empty(); }));
    }
    EXPECT_TRUE(claimants[0]->events.completions[0].Ok());
    EXPECT_EQ(claimants[0]->client.LocalPlayerId(), first.client.LocalPlayerId());
    EXPECT_EQ(claimants[1]->events.completions[0].code, session::ErrorCode::ResumeRefused);
    ASSERT_TRUE(WaitUntil([&] { return first.events.terminated == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return host.events.resumed.size() == 1; }));
    EXPECT_TRUE(host.events.destroyed.empty());
    EXPECT_EQ(host.server.PlayerCount(), 1);
}

TEST(Session, ManyMessagesArriveOnceAndInOrderBothWays) {
    // Far more at once than a player may send; the order is what is tested here.
    auto limits = kit::FastLimits();
    limits.messageBurst = 1e6;
    kit::HostedServer host(11, limits);
    kit::ConnectedClient ann(host.Port(), "Ann");
    ASSERT_TRUE(ann.WaitConnected());
    // An empty message has no type: refused at both ends, and nothing goes out for it.
    EXPECT_FALSE(ann.Send(Buffer{}));
    EXPECT_FALSE(host.server.SendTo(session::kAllPlayers, Buffer{}).Ok());
    constexpr int kCount = 2000;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(ann.Send(Numbered(i)));
        ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Numbered(i)).Ok());
    }
    ASSERT_TRUE(WaitUntil([&] {
        return host.events.received.size() == kCount && ann.events.received.size() == kCount;
    }));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(host.events.received[i], Numbered(i));
        EXPECT_EQ(ann.events.received[i], Numbered(i));
        EXPECT_EQ(host.events.senders[i], ann.client.LocalPlayerId());
    }
}

// A client at rest takes the server's messages in when it asks, or at the latest after its
// interval; each case: the interval, whether the client asks, and what has arrived by when.
TEST(Session, AClientAtRestGathersWhatArrivesUntilItAsksOrItsIntervalEnds) {
    const struct {
        const char* what;
        int gatherMs;
        bool readNow;
        int waitMs;
        std::size_t expected;
    } cases[] = {
        {"read as it comes", 0, false, 150, 3},
        {"gathered, not asked, within the interval", 1000, false, 150, 0},
        {"gathered, then asked", 1000, true, 150, 3},
        {"gathered, the interval over", 250, false, 600, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kit::HostedServer host;
        kit::ConnectedClient ann(host.Port(), "Ann");
        ASSERT_TRUE(ann.WaitConnected());
        ann.client.GatherReads(c.gatherMs);
        Pump(20);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Numbered(i)).Ok());
        }
        Pump(c.waitMs);
        if (c.readNow) {
            ann.client.ReadNow();
        }
        EXPECT_EQ(ann.events.received.size(), c.expected);
        // Leaving rest takes in what waits, and reads as it comes again.
        ann.client.GatherReads(0);
        EXPECT_EQ(ann.events.received.size(), 3u);
        ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Numbered(3)).Ok());
        EXPECT_TRUE(WaitUntil([&] { return ann.events.received.size() == 4; }, 150));
        EXPECT_EQ(ann.events.received.back(), Numbered(3));
    }
}

// The server gathers each player's frames into few writes; that must never change what a
// player receives, nor let a queue outgrow its bound.
// Message i: its number, then a length that varies from 0 to 250 bytes of filler.
Buffer Varied(int i) {
    Buffer message{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)};
    message.resize(message.size() + static_cast<std::size_t>((i * 37) % 251),
                   static_cast<std::uint8_t>(i * 13));
    return message;
}

// Hands every received message to `onReceive`, so a test can send while the server handles
// incoming traffic, the way the game relays.
struct Answering : session::SessionEvents {
    void Receive(session::PlayerId, ByteView) override { onReceive(); }
    std::function<void()> onReceive;
};

TEST(Coalescing, ABurstOfMixedMessagesReachesEveryPlayerWholeAndInOrder) {
    constexpr int kPlayers = 20, kMessages = 10000, kChunk = 250;
    kit::HostedServer host(kPlayers + 1);
    std::vector<std::unique_ptr<kit::ConnectedClient>> clients;
    for (int i = 0; i < kPlayers; ++i) {
        clients.push_back(
            std::make_unique<kit::ConnectedClient>(host.Port(), "p" + std::to_string(i)));
        ASSERT_TRUE(clients.back()->WaitConnected());
    }
    ASSERT_TRUE(WaitUntil([&] { return host.server.PlayerCount() == kPlayers; }));

    // Every seventh message goes to one player only; the rest go to all. Half the chunks are
    // sent from the test's own turns, half while the server handles a player's message.
    std::vector<std::vector<Buffer>> expected(kPlayers);
    int next = 0;
    const auto sendChunk = [&] {
        for (const int end = next + kChunk; next < end; ++next) {
            const int only = next % 7 == 0 ? next % kPlayers : -1;
            const auto target =
                only < 0 ? session::kAllPlayers
                         : clients[static_cast<std::size_t>(only)]->client.LocalPlayerId();
            ASSERT_TRUE(host.server.SendTo(target, Varied(next)).Ok());
            for (int p = 0; p < kPlayers; ++p) {
                if (only < 0 || only == p) {
                    expected[static_cast<std::size_t>(p)].push_back(Varied(next));
                }
            }
        }
    };
    Answering answering;
    answering.onReceive = sendChunk;
    host.server.RegisterMessageHandler(&answering);
    const auto writesBefore = host.server.KernelWrites();
    while (next < kMessages) {
        if ((next / kChunk) % 2 == 0) {
            sendChunk();
        } else {
            const int due = next + kChunk;
            ASSERT_TRUE(clients[static_cast<std::size_t>(next % kPlayers)]->Send(Buffer{1}));
            ASSERT_TRUE(WaitUntil([&] { return next == due; }));
        }
        Pump(1);
    }

    std::size_t frames = 0;
    for (std::size_t p = 0; p < clients.size(); ++p) {
        const auto& c = *clients[p];
        ASSERT_TRUE(
            WaitUntil([&] { return c.events.received.size() >= expected[p].size(); }, 30000));
        Pump(50);
        EXPECT_TRUE(c.events.received == expected[p]) << "player " << p;
        EXPECT_EQ(c.events.terminated, 0);
        frames += expected[p].size();
    }
    // Gathered: far fewer writes than frames (one per frame would be about 170,000).
    EXPECT_LT(host.server.KernelWrites() - writesBefore, frames / 50);
}

// Frames still waiting for their flush count towards a player's bound, to the byte: a burst
// that fills the queue exactly is kept, one more frame drops the player at once.
TEST(Coalescing, APlayerWhoseQueueWouldPassTheBoundIsDroppedAtIt) {
    auto limits = kit::FastLimits();
    limits.maxPendingWriteBytes = 64 * 1024;
    limits.heartbeatIntervalMs = 60000;  // no keep-alive may slip into the queue
    limits.peerTimeoutMs = 60000;
    kit::HostedServer host(11, limits);
    RawPeer stalled(host.Port());
    stalled.Socket().setReadBufferSize(1);
    stalled.SendHello(session::kApplicationId, "Stalled");
    ASSERT_TRUE(WaitUntil([&] { return host.server.PlayerCount() == 1; }));
    Pump(50);  // the welcome is out

    const Buffer fill(1024 - 5, 0xAB);  // with its 5-byte header, a 1 KiB frame
    for (int i = 0; i < 64; ++i) {
        ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, fill).Ok());
    }
    EXPECT_EQ(host.server.PlayerCount(), 1) << "a queue exactly at the bound is kept";
    ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Buffer{0x01}).Ok());
    EXPECT_EQ(host.server.PlayerCount(), 0);
    EXPECT_TRUE(WaitUntil([&] { return host.events.destroyed.size() == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return stalled.ClosedByServer(); }));
}

}  // namespace
}  // namespace quorvex::test

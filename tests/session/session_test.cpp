// The session service over real loopback sockets: handshake, identifiers, delivery.

#include <gtest/gtest.h>

#include <set>

#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::ErrorCode;

Buffer Numbered(int i) {
    return Buffer{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0x42};
}

TEST(Session, HostReportsItsOwnPlayerFirstThenEachClientWithAnIdNeverReused) {
    HostedServer host;
    ASSERT_TRUE(host.hosted.Ok()) << host.hosted.description;
    ASSERT_TRUE(WaitUntil([&] { return host.events.created.size() == 1; }));
    const session::PlayerId hostId = host.events.created[0];
    EXPECT_NE(hostId, 0);

    ConnectedClient ann(host.Port(), "Ann");
    ConnectedClient bob(host.Port(), "Bob");
    ASSERT_TRUE(ann.WaitConnected());
    ASSERT_TRUE(bob.WaitConnected());
    ASSERT_TRUE(WaitUntil([&] { return host.events.created.size() == 3; }));

    std::set<session::PlayerId> ids(host.events.created.begin(), host.events.created.end());
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(0), 0u);
    session::PlayerInfo info;
    ASSERT_TRUE(host.server.GetClientInfo(ann.client.LocalPlayerId(), info).Ok());
    EXPECT_EQ(info.name, "Ann");
    ASSERT_TRUE(host.server.GetClientInfo(bob.client.LocalPlayerId(), info).Ok());
    EXPECT_EQ(info.name, "Bob");
    EXPECT_FALSE(host.server.GetClientInfo(424242, info).Ok());

    // Identifiers of players who left are never handed out again.
    for (int i = 0; i < 3; ++i) {
        ConnectedClient c(host.Port(), "p" + std::to_string(i));
        ASSERT_TRUE(c.WaitConnected());
        EXPECT_TRUE(ids.count(c.client.LocalPlayerId()) == 0);
        ids.insert(c.client.LocalPlayerId());
        c.client.Close(0);
        ASSERT_TRUE(WaitUntil([&] { return host.server.PlayerCount() == 2; }));
    }
}

TEST(Session, RefusalsCarryASpecificReason) {
    struct Case {
        const char* what;
        int maxPlayers;
        std::string applicationId;
        std::string name;
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
        HostedServer host(c.maxPlayers);
        std::unique_ptr<ConnectedClient> first;
        if (c.expected == ErrorCode::SessionFull) {
            first = std::make_unique<ConnectedClient>(host.Port(), "first");
            ASSERT_TRUE(first->WaitConnected()) << c.what;
        }
        auto limits = FastLimits();
        limits.maxNameBytes = 1000;  // the server's limit is the one under test
        ConnectedClient refused(host.Port(), c.name, limits, c.applicationId);
        ASSERT_TRUE(refused.started.Ok()) << c.what;
        EXPECT_FALSE(refused.WaitConnected()) << c.what;
        ASSERT_FALSE(refused.events.completions.empty()) << c.what;
        EXPECT_EQ(refused.events.completions[0].code, c.expected) << c.what;
        EXPECT_FALSE(refused.events.completions[0].description.empty());
        EXPECT_EQ(host.server.PlayerCount(), first ? 1 : 0) << c.what;
        EXPECT_FALSE(refused.Send(Buffer{1})) << c.what;
    }
}

TEST(Session, ManyMessagesArriveOnceAndInOrderBothWays) {
    // Far more at once than a player may send; the order is what is tested here.
    auto limits = FastLimits();
    limits.messageBurst = 1e6;
    HostedServer host(11, limits);
    ConnectedClient ann(host.Port(), "Ann");
    ASSERT_TRUE(ann.WaitConnected());
    // An empty message has no type: refused at both ends, and nothing goes out for it.
    EXPECT_FALSE(ann.Send(Buffer{}));
    EXPECT_FALSE(host.server.SendTo(session::kAllPlayers, Buffer{}, 0, 0x28).Ok());
    constexpr int kCount = 2000;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(ann.Send(Numbered(i)));
        ASSERT_TRUE(host.server.SendTo(session::kAllPlayers, Numbered(i), 0, 0x28).Ok());
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

}  // namespace
}  // namespace quorvex::test

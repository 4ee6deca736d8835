// The sending budgets as arithmetic, and the session's bounds on a connection: message size
// and half-open connections per address.

#include <gtest/gtest.h>

#include <QTcpSocket>

#include "protocol/session/qt_frames.h"
#include "protocol/session/rate_budget.h"
#include "tests/support/raw_peer.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::RateBudget;

TEST(RateBudget, ABurstThenTheRateAndFarOverOnlyWhenTheExcessOutgrowsABurst) {
    struct Step {
        std::int64_t atMs;
        int spend;
        int fitting;   // how many of the spends fit
        bool farOver;  // afterwards
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
    session::Limits limits = FastLimits();
    HostedServer host(11, limits);
    limits.maxFrameBytes = 1 << 20;
    ConnectedClient fits(host.Port(), "Ann", limits);
    ConnectedClient over(host.Port(), "Bob", limits);
    ASSERT_TRUE(fits.WaitConnected() && over.WaitConnected());
    ASSERT_TRUE(fits.Send(Buffer(limits.maxPlayerMessageBytes, 1)));
    ASSERT_TRUE(over.Send(Buffer(limits.maxPlayerMessageBytes + 1, 1)));
    ASSERT_TRUE(WaitUntil([&] { return over.events.terminated == 1; }));
    ASSERT_EQ(host.events.received.size(), 1U);
    EXPECT_EQ(host.events.received[0].size(), limits.maxPlayerMessageBytes);
    EXPECT_EQ(fits.events.terminated, 0);
}

TEST(SessionLimits, ACrowdedServerTakesNoMoreHalfOpenConnectionsFromOneAddress) {
    session::Limits limits = FastLimits();
    limits.handshakeTimeoutMs = 5000;
    limits.handshakingBeforeAddressCap = 2;
    limits.maxHandshakingPerAddress = 2;
    HostedServer host(11, limits);
    RawPeer first(host.Port());
    RawPeer second(host.Port());
    Pump(100);
    RawPeer third(host.Port());
    EXPECT_TRUE(WaitUntil([&] { return third.ClosedByServer(); }, 2000));
    EXPECT_FALSE(first.ClosedByServer() || second.ClosedByServer());

    // Another address is still welcome.
    QTcpSocket elsewhere;
    ASSERT_TRUE(elsewhere.bind(QHostAddress(QStringLiteral("127.0.0.2"))));
    elsewhere.connectToHost(QStringLiteral("127.0.0.1"), host.Port());
    ASSERT_TRUE(WaitUntil([&] { return elsewhere.state() == QAbstractSocket::ConnectedState; }));
    elsewhere.write(session::FrameBytes(
        session::FrameKind::Hello,
        session::EncodeHello({session::kProtocolVersion, session::kApplicationId, "Cid"})));
    EXPECT_TRUE(WaitUntil([&] { return host.events.created.size() == 2; }));
}

}  // namespace
}  // namespace quorvex::test

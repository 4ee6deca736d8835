// LAN discovery: the datagrams, a server found on loopback, what the server refuses to answer,
// and connections over IPv6.

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "protocol/session/discovery.h"
#include "protocol/session/discovery_browser.h"
#include "protocol/session/discovery_responder.h"
#include "protocol/session/discovery_targets.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using namespace session;

ByteView View(const Buffer& b) {
    return ByteView(b.data(), b.size());
}

DiscoveryReply LongestReply() {
    const std::string longText(100, 'x');
    return {1, 2, longText, longText, longText, 4000, 3, 10, 1, longText, longText};
}

TEST(DiscoveryDatagrams, RoundTripBoundsAndRefusals) {
    const Buffer query = EncodeDiscoveryQuery({0xA1B2C3D4});
    ASSERT_EQ(query.size(), kDiscoveryQueryBytes);
    EXPECT_EQ(DecodeDiscoveryQuery(View(query))->token, 0xA1B2C3D4u);
    const DiscoveryReply plain{5, 6, "session", "hal", "fd00::5", 4001, 2, 9, 2, "7", "1.2.3"};
    EXPECT_EQ(DecodeDiscoveryReply(View(EncodeDiscoveryReply(plain))), plain);
    const Buffer longest = EncodeDiscoveryReply(LongestReply());
    EXPECT_LE(longest.size(), query.size());
    EXPECT_EQ(DecodeDiscoveryReply(View(longest))->hostName, std::string(kDiscoveryTextBytes, 'x'));
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");  // never half a character
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 3), "a\xC3\xA9");

    // One byte off in each: the identifier, the padding, the format; and the other kind.
    auto spoilt = [](Buffer b, std::size_t at, int by) {
        if (at == b.size()) {
            b.pop_back();
        } else {
            b[at] = static_cast<std::uint8_t>(b[at] + by);
        }
        return b;
    };
    for (const Buffer& bad :
         {spoilt(query, 6, 1), spoilt(query, query.size(), 0), spoilt(query, 1, 1), longest}) {
        EXPECT_FALSE(DecodeDiscoveryQuery(View(bad)));
    }
    auto with = [](std::uint8_t gameType, std::uint16_t port) {
        DiscoveryReply r = LongestReply();
        r.gameType = gameType;
        r.port = port;
        return EncodeDiscoveryReply(r);
    };
    EXPECT_TRUE(DecodeDiscoveryReply(View(with(3, 1))));
    for (const Buffer& bad : {with(0, 1), with(4, 1), with(3, 0),
                              spoilt(longest, longest.size(), 0), spoilt(longest, 6, 1), query}) {
        EXPECT_FALSE(DecodeDiscoveryReply(View(bad)));
    }
}

TEST(DiscoveryTargetList, EnvironmentListReplacesTheComputedOne) {
    EXPECT_EQ(ParseDiscoveryTargets("127.0.0.1, ::1,nonsense,,127.0.0.1"),
              (QList<QHostAddress>{QHostAddress("127.0.0.1"), QHostAddress("::1")}));
    qputenv(kDiscoveryAddressesVariable, "");
    EXPECT_TRUE(DiscoveryTargets().isEmpty());
}

TEST(Discovery, FindsARunningServerOnLoopbackOnce) {
    TestServer server;
    ASSERT_NE(server.session.DiscoveryPort(), 0);
    DiscoveryBrowser browser([] { return ParseDiscoveryTargets("127.0.0.1,::1"); },
                             server.session.DiscoveryPort());
    browser.Start();
    ASSERT_TRUE(WaitUntil([&] { return !browser.Servers().empty(); }, 1000));
    Pump(100);  // the answer on the second route must not make a second entry
    ASSERT_EQ(browser.Servers().size(), 1u);
    const FoundServer found = browser.Servers()[0];
    EXPECT_EQ(found.reply.port, server.Port());
    EXPECT_EQ(found.reply.maxPlayers, 10u);
    EXPECT_EQ(found.reply.gameType, 3);
    EXPECT_EQ(found.reply.version, QUORVEX_VERSION);
    ConnectedClient player(found.reply.port, "Ann", Limits{}, kApplicationId, found.connectAddress);
    ASSERT_TRUE(player.WaitConnected());
    EXPECT_TRUE(WaitUntil([&] { return browser.Servers()[0].reply.players == 1; }, 2500));
}

TEST(Discovery, AnswersOnlyOurQueriesAtABoundedRateAndNeverLarger) {
    DiscoveryResponder responder([] { return LongestReply(); });
    ASSERT_TRUE(responder.Start(0).Ok());
    QUdpSocket asker;
    ASSERT_TRUE(asker.bind(QHostAddress::LocalHost, 0));
    const auto send = [&](const Buffer& b) {
        asker.writeDatagram(reinterpret_cast<const char*>(b.data()), qint64(b.size()),
                            QHostAddress::LocalHost, responder.Port());
    };
    Buffer foreign = EncodeDiscoveryQuery({1});
    foreign[6] ^= 1;  // one character of the application identifier
    send(foreign);
    Pump(300);
    EXPECT_FALSE(asker.hasPendingDatagrams());
    EXPECT_EQ(responder.Ignored(), 1);
    for (int i = 0; i < 3 * kMaxDiscoveryRepliesPerSecond; ++i) {
        send(EncodeDiscoveryQuery({2}));
    }
    Pump(400);
    int replies = 0;
    while (asker.hasPendingDatagrams()) {
        const QNetworkDatagram reply = asker.receiveDatagram();
        EXPECT_LE(std::size_t(reply.data().size()), kDiscoveryQueryBytes);
        ++replies;
    }
    EXPECT_EQ(replies, kMaxDiscoveryRepliesPerSecond);
}

TEST(Ipv6, TheServerShowsItsIpv4AddressWhenItHasOneElseItsIpv6One) {
    const QHostAddress lo("127.0.0.1"), v4("192.168.1.5"), v6("fd00::5"), link("fe80::1");
    EXPECT_EQ(PreferredHostAddress({lo, link, v6, v4}), "192.168.1.5");
    EXPECT_EQ(PreferredHostAddress({lo, QHostAddress("::1"), link, v6}), "fd00::5");
    EXPECT_EQ(PreferredHostAddress({lo, link}), "127.0.0.1");
}

TEST(Ipv6, ClientsConnectOverLoopbackWithOrWithoutBrackets) {
    HostedServer server;
    if (QUdpSocket probe; !probe.bind(QHostAddress::LocalHostIPv6, 0)) {
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    }
    for (const char* host : {"::1", "[::1]"}) {
        ConnectedClient player(server.Port(), "Ann", FastLimits(), kApplicationId, host);
        EXPECT_TRUE(player.WaitConnected()) << host;
    }
}

}  // namespace
}  // namespace quorvex::test

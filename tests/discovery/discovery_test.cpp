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

TEST(DiscoveryDatagrams, RoundTripAndBounds) {
    const Buffer query = EncodeDiscoveryQuery({0xA1B2C3D4});
    ASSERT_EQ(query.size(), kDiscoveryQueryBytes);
    EXPECT_EQ(DecodeDiscoveryQuery(View(query))->token, 0xA1B2C3D4u);
    const DiscoveryReply plain{5, 6, "session", "hal", "fd00::5", 4001, 2, 9, 2, "7", "1.2.3"};
    EXPECT_EQ(DecodeDiscoveryReply(View(EncodeDiscoveryReply(plain))), plain);
    const Buffer longest = EncodeDiscoveryReply(LongestReply());
    EXPECT_LE(longest.size(), query.size());
    const auto cut = DecodeDiscoveryReply(View(longest));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->hostName, std::string(kDiscoveryTextBytes, 'x'));
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");  // never half a character
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 3), "a\xC3\xA9");
}

TEST(DiscoveryDatagrams, ForeignOrBrokenDatagramsAreRefused) {
    Buffer foreign = EncodeDiscoveryQuery({7});
    foreign[6] ^= 1;  // one character of the application identifier
    Buffer shortQuery = EncodeDiscoveryQuery({7});
    shortQuery.pop_back();
    Buffer otherFormat = EncodeDiscoveryQuery({7});
    otherFormat[1] = 2;
    const Buffer reply = EncodeDiscoveryReply(LongestReply());
    for (const Buffer& bad : {foreign, shortQuery, otherFormat, reply}) {
        EXPECT_FALSE(DecodeDiscoveryQuery(View(bad)));
    }
    auto withGame = [](std::uint8_t type, std::uint16_t port) {
        DiscoveryReply r = LongestReply();
        r.gameType = type;
        r.port = port;
        return EncodeDiscoveryReply(r);
    };
    EXPECT_TRUE(DecodeDiscoveryReply(View(withGame(3, 1))));
    Buffer truncated = withGame(3, 1);
    truncated.pop_back();
    for (const Buffer& bad :
         {withGame(0, 1), withGame(4, 1), withGame(3, 0), truncated, EncodeDiscoveryQuery({7})}) {
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
    EXPECT_EQ(found.reply.sessionName, "First VuvovuDUduz App (Messaging Program)");
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
    foreign[6] ^= 1;
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

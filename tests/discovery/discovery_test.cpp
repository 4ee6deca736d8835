// LAN discovery: the datagrams, a server found on loopback, what the server refuses to answer,
// connections over IPv6, and the client's start (server list, remembered choices, command line).

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "client/link/remembered_choices.h"
#include "client/link/server_finder.h"
#include "kit/session_ends.h"
#include "protocol/session/discovery.h"
#include "protocol/session/discovery_browser.h"
#include "protocol/session/discovery_responder.h"
#include "protocol/session/discovery_targets.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"
#include "ui/choice_dialog.h"
#include "ui/qt_prompter.h"

namespace quorvex::test {
namespace {

using namespace session;

DiscoveryReply LongestReply() {
    const std::string longText(100, 'x');
    return {1, 2, longText, longText, longText, 4000, 3, 10, 1, longText, longText};
}

TEST(DiscoveryDatagrams, RoundTripBoundsAndRefusals) {
    const Buffer query = EncodeDiscoveryQuery({0xA1B2C3D4});
    ASSERT_EQ(query.size(), kDiscoveryQueryBytes);
    EXPECT_EQ(DecodeDiscoveryQuery(query)->token, 0xA1B2C3D4u);
    const DiscoveryReply plain{5, 6, "session", "hal", "fd00::5", 4001, 2, 9, 2, "7", "1.2.3"};
    EXPECT_EQ(DecodeDiscoveryReply(EncodeDiscoveryReply(plain)), plain);
    const Buffer longest = EncodeDiscoveryReply(LongestReply());
    EXPECT_LE(longest.size(), query.size());
    EXPECT_EQ(DecodeDiscoveryReply(longest)->hostName, std::string(kDiscoveryTextBytes, 'x'));
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");  // never half a character
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 3), "a\xC3\xA9");

    // One byte off in each: the identifier, the padding, the format; and the other kind.
    auto spoilt = [](Buffer b, std::size_t at) { return b[at] ^= 1, b; };
    auto cut = [](Buffer b) { return b.pop_back(), b; };
    for (const Buffer& bad : {spoilt(query, 6), cut(query), spoilt(query, 1), longest}) {
        EXPECT_FALSE(DecodeDiscoveryQuery(bad));
    }
    auto with = [](std::uint8_t gameType, std::uint16_t port) {
        DiscoveryReply r = LongestReply();
        r.gameType = gameType;
        r.port = port;
        return EncodeDiscoveryReply(r);
    };
    EXPECT_TRUE(DecodeDiscoveryReply(with(3, 1)));
    for (const Buffer& bad :
         {with(0, 1), with(4, 1), with(3, 0), cut(longest), spoilt(longest, 6), query}) {
        EXPECT_FALSE(DecodeDiscoveryReply(bad));
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
    ASSERT_NE(server.host.DiscoveryPort(), 0);
    client::ServerFinder finder([] { return ParseDiscoveryTargets("127.0.0.1,::1"); },
                                server.host.DiscoveryPort());
    finder.Open([] {});
    const auto& servers = finder.List().Servers();
    ASSERT_TRUE(WaitUntil([&] { return !servers.empty(); }, 1000));
    Pump(100);  // the answer on the second route must not make a second entry
    ASSERT_EQ(servers.size(), 1u);
    const client::ListedServer found = servers[0];
    const DiscoveryReply& r = found.reply;
    EXPECT_EQ(std::tie(r.port, r.maxPlayers, r.gameType, r.version),
              std::tuple(server.Port(), 10u, 3, QUORVEX_VERSION));
    EXPECT_GT(found.roundTripUs, 0);
    EXPECT_LT(found.roundTripUs, 500'000);
    kit::ConnectedClient player(found.reply.port, "Ann", Limits{}, kApplicationId,
                                found.connectAddress);
    ASSERT_TRUE(player.WaitConnected());
    EXPECT_TRUE(WaitUntil([&] { return servers[0].reply.players == 1; }, 2500));
    finder.Close();
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
    for (; asker.hasPendingDatagrams(); ++replies) {
        EXPECT_LE(std::size_t(asker.receiveDatagram().data().size()), kDiscoveryQueryBytes);
    }
    EXPECT_EQ(replies, kMaxDiscoveryRepliesPerSecond);
}

// One host flooding (127.0.0.2, 300 queries a second) gets a few replies a second; honest
// askers beside it, on this machine and on another host (127.0.0.3), get every one of theirs.
TEST(Discovery, AFloodFromOneHostLeavesEveryHonestAskerItsReplies) {
    DiscoveryResponder responder([] { return LongestReply(); });
    ASSERT_TRUE(responder.Start(0).Ok());
    QUdpSocket flooder, local, neighbour;
    if (!flooder.bind(QHostAddress("127.0.0.2"), 0) ||
        !neighbour.bind(QHostAddress("127.0.0.3"), 0)) {
        GTEST_SKIP() << "this machine's loopback takes no 127.0.0.2 or 127.0.0.3";
    }
    ASSERT_TRUE(local.bind(QHostAddress::LocalHost, 0));
    const Buffer query = EncodeDiscoveryQuery({7});
    const auto ask = [&](QUdpSocket& from) {
        from.writeDatagram(reinterpret_cast<const char*>(query.data()), qint64(query.size()),
                           QHostAddress::LocalHost, responder.Port());
    };
    QTimer flood, honest;
    QObject::connect(&flood, &QTimer::timeout, [&] {
        for (int i = 0; i < 3; ++i) {
            ask(flooder);
        }
    });
    int asked = 0;
    QObject::connect(&honest, &QTimer::timeout, [&] {
        ++asked;
        ask(local);
        ask(neighbour);
    });
    flood.start(10);
    Pump(100);  // the flood has the whole second's total within reach before anyone else asks
    honest.start(400);
    Pump(2000);
    honest.stop();
    flood.stop();
    int heard[3] = {};
    QUdpSocket* sockets[3] = {&local, &neighbour, &flooder};
    const auto drain = [&] {
        for (int i = 0; i < 3; ++i) {
            for (; sockets[i]->hasPendingDatagrams(); ++heard[i]) {
                sockets[i]->receiveDatagram();
            }
        }
        return heard[0] == asked && heard[1] == asked;
    };
    WaitUntil(drain, 2000);
    Pump(100);
    drain();
    EXPECT_EQ(heard[0], asked);
    EXPECT_EQ(heard[1], asked);
    EXPECT_LE(heard[2], 3 * kMaxDiscoveryRepliesPerAddress);
    EXPECT_GE(asked, 4);
}

TEST(Ipv6, TheServerShowsItsIpv4AddressWhenItHasOneElseItsIpv6One) {
    const QHostAddress lo("127.0.0.1"), v4("192.168.1.5"), v6("fd00::5"), link("fe80::1");
    EXPECT_EQ(PreferredHostAddress({lo, link, v6, v4}), "192.168.1.5");
    EXPECT_EQ(PreferredHostAddress({lo, QHostAddress("::1"), link, v6}), "fd00::5");
    EXPECT_EQ(PreferredHostAddress({lo, link}), "127.0.0.1");
}

TEST(Ipv6, ClientsConnectOverLoopbackWithOrWithoutBrackets) {
    kit::HostedServer server;
    if (QUdpSocket probe; !probe.bind(QHostAddress::LocalHostIPv6, 0)) {
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    }
    for (const char* host : {"::1", "[::1]"}) {
        kit::ConnectedClient player(server.Port(), "Ann", kit::FastLimits(), kApplicationId, host);
        EXPECT_TRUE(player.WaitConnected()) << host;
    }
}

// The client's start: the host prompt's list of servers, the remembered host and name, and the
// command line.
TEST(HostPrompt, ListsARunningServerWithinASecondAndPicksItsAddress) {
    TestServer server;
    client::ServerFinder finder([] { return QList<QHostAddress>{QHostAddress::LocalHost}; },
                                server.host.DiscoveryPort());
    QElapsedTimer clock;
    qint64 listedAfterMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = QApplication::activeModalWidget();
        auto* list = dialog ? dialog->findChild<QListWidget*>("choices") : nullptr;
        if (list != nullptr && list->count() > 0 && listedAfterMs < 0) {
            listedAfterMs = clock.elapsed();
            list->setCurrentRow(0);
            QTest::keyClick(dialog->findChild<QLineEdit*>("answer"), Qt::Key_Return);
        }
    });
    poll.start(10);
    clock.start();
    QtPrompter prompter;
    const auto answer = prompter.AskTextWithChoices(client::kHostPrompt, client::kHostTitle,
                                                    "typed.example", finder);
    EXPECT_EQ(answer, (ChoiceAnswer{"127.0.0.1", server.Port()}));
    EXPECT_GE(listedAfterMs, 0);
    EXPECT_LT(listedAfterMs, 1000);
}

TEST(HostPrompt, ALineNamesThePortWhenUnusualAndTheRoundTrip) {
    client::ListedServer s{"10.0.0.5",
                           "10.0.0.5",
                           {1, 2, "session", "hal", "", 4000, 2, 10, 1, "5", QUORVEX_VERSION},
                           800,
                           0};
    EXPECT_EQ(client::ServerLine(s),
              "10.0.0.5 (hal): 2/10 players, Points, miss limit 5, <1 ms - session");
    s.reply.port = 4001;
    s.roundTripUs = 12'400;
    s.reply.version = "0.9";
    EXPECT_EQ(client::ServerLine(s),
              "10.0.0.5 port 4001 (hal): 2/10 players, Points, miss limit "
              "5, 12 ms - session (version 0.9)");
}

// The port of a server picked from the list is the one connected to; a typed host is tried on
// the client's own port as always.
TEST(HostPrompt, APickedServerIsJoinedOnThePortItNamed) {
    struct NoChoices : ChoiceSource {
        void Open(std::function<void()>) override {}
        void Close() override {}
        std::vector<Choice> Choices() const override { return {}; }
        std::string EmptyText() const override { return {}; }
    } noChoices;
    TestServer server;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto deadPort = closed.serverPort();
    closed.close();
    const struct {
        std::uint16_t picked, own;
        bool joins;
    } cases[] = {{server.Port(), deadPort, true}, {0, server.Port(), true}, {0, deadPort, false}};
    for (const auto& c : cases) {
        ScriptedPrompter prompter({"127.0.0.1", "Ann"});
        prompter.choicePort = c.picked;
        client::HumanPlayer player(prompter, c.own);
        client::StartOptions options;
        options.hostChoices = &noChoices;
        player.Link().SetStartOptions(options);
        std::vector<int> ends;
        player.Link().SetEndCallback([&](int code) { ends.push_back(code); });
        ASSERT_TRUE(player.Link().SessionInit() && player.Link().ConnectToHost());
        EXPECT_TRUE(WaitUntil([&] { return player.State().MyID() != 0 || !ends.empty(); }));
        EXPECT_EQ(player.State().MyID() != 0, c.joins) << c.picked << " " << c.own;
    }
}

// Reopened after the server went quiet, the prompt no longer lists it.
TEST(HostPrompt, AServerSilentWhileThePromptWasClosedIsGoneOnReopening) {
    auto server = std::make_unique<TestServer>();
    client::ServerFinder finder([] { return QList<QHostAddress>{QHostAddress::LocalHost}; },
                                server->host.DiscoveryPort());
    finder.Open([] {});
    ASSERT_TRUE(WaitUntil([&] { return !finder.List().Servers().empty(); }, 1000));
    finder.Close();
    server.reset();
    Pump(client::kServerSilenceMs + 100);
    finder.Open([] {});
    EXPECT_TRUE(finder.Choices().empty());
    finder.Close();
}

// Rows change in place: the pick follows its server, the scroll position and the box stay.
TEST(HostPrompt, TheListUpdatesWithoutLosingPickOrScroll) {
    struct Listed : ChoiceSource {
        void Open(std::function<void()> c) override { changed = std::move(c); }
        void Close() override {}
        std::vector<Choice> Choices() const override { return choices; }
        std::string EmptyText() const override { return {}; }
        std::function<void()> changed;
        std::vector<Choice> choices;
    } source;
    for (int i = 10; i < 50; ++i) {
        source.choices.push_back({"server " + std::to_string(i), "10.0.0." + std::to_string(i)});
    }
    ChoiceDialog dialog("prompt", "title", "", source);
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>("choices");
    auto* box = dialog.findChild<QLineEdit*>("answer");
    list->setCurrentRow(30);
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
    const int scrolled = list->verticalScrollBar()->value();
    box->setText("typed.example");  // typed over the pick
    source.choices.insert(source.choices.begin(), {"server 05", "10.0.0.5", 4001});
    source.choices.back().text = "server 49, 3 players";
    source.changed();
    EXPECT_EQ(list->currentRow(), 31);
    EXPECT_EQ(list->item(40)->text(), "server 49, 3 players");
    EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(dialog.Answer(), (ChoiceAnswer{"typed.example", 0}));
    list->setCurrentRow(0);
    EXPECT_EQ(dialog.Answer(), (ChoiceAnswer{"10.0.0.5", 4001}));
}

TEST(RememberedChoices, HostOnceConnectedAndNameOnceTypedAndNothingElse) {
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toUtf8());
    TestServer server;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto deadPort = closed.serverPort();
    closed.close();
    {
        TestClient first(server.Port(), {"localhost", "Ann"}, client::RememberingStartOptions());
        ASSERT_TRUE(WaitUntil([&] { return first.player.State().MyID() != 0; }));
        EXPECT_EQ(first.prompter.asked[0].defaultAnswer, "127.0.0.1");
        EXPECT_EQ(first.prompter.asked[1].defaultAnswer, "Myself");
    }
    {
        TestClient failing(deadPort, {"127.0.0.1", "Bob"}, client::RememberingStartOptions());
        ASSERT_TRUE(WaitUntil([&] { return !failing.exitCodes.empty(); }));
    }
    {
        client::StartOptions given = client::RememberingStartOptions();
        given.host = "::1";  // answers given on the command line are not kept
        given.name = "Bot";
        TestClient scripted(server.Port(), {}, given);
        EXPECT_TRUE(scripted.prompter.asked.empty());
        ASSERT_TRUE(WaitUntil([&] { return scripted.player.State().MyID() != 0; }));
    }
    TestClient second(server.Port(), {"localhost", "Cy"}, client::RememberingStartOptions());
    EXPECT_EQ(second.prompter.asked[0].defaultAnswer, "localhost");
    EXPECT_EQ(second.prompter.asked[1].defaultAnswer, "Bob");
    QSettings stored(scratch.path() + "/Quorvex/quorvex-client.conf", QSettings::IniFormat);
    EXPECT_EQ(stored.allKeys(), (QStringList{"lastHost", "lastName"}));
}

TEST(ClientCommandLine, EveryOptionAndItsErrors) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{"--help"}, 0, "--host <HOST>"},
        {{"-h"}, 0, "--name <NAME>"},
        {{"--version"}, 0, "quorvex-client " QUORVEX_VERSION},
        {{"-v"}, 0, "quorvex-client " QUORVEX_VERSION},
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"--host"}, 2, "Missing value after '--host'"},
        {{"--host", ""}, 2, "--host needs a host name"},
        {{"--host", "a", "--host", "b"}, 2, "--host is given more than once"},
        {{"--name", "a", "--name", "b"}, 2, "--name is given more than once"},
        {{"stray"}, 2, "Unexpected argument 'stray'"},
        {{"--name", QString(257, 'x')}, 2, "--name is longer than 256 bytes"},
    };
    for (const Case& c : cases) {
        QProcess client;
        client.start(QUORVEX_CLIENT, c.arguments);
        ASSERT_TRUE(client.waitForFinished(10000));
        const QByteArray out =
            c.exitCode == 0 ? client.readAllStandardOutput() : client.readAllStandardError();
        EXPECT_EQ(client.exitCode(), c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(out.contains(c.says)) << out.toStdString();
    }
}

// Discovery between two network namespaces joined by a veth pair, as between two machines on
// one LAN: IPv4 broadcast, IPv6 multicast, and a name that resolves only to IPv6. Needs root;
// the namespaces, the link and the hosts file are removed afterwards.
// $S and $C: the server's and the client's namespace, $SL and $CL their ends of the link.
constexpr char kMake[] = R"(set -e
ip netns add $S; ip netns add $C
for n in $S $C; do
  ip netns exec $n sysctl -qw net.ipv6.conf.default.accept_dad=0; ip -n $n link set lo up
done
ip link add $SL netns $S type veth peer name $CL netns $C
ip -n $S addr add 10.201.0.1/24 dev $SL; ip -n $S addr add fd77::1/64 nodad dev $SL
ip -n $C addr add 10.201.0.2/24 dev $CL; ip -n $C addr add fd77::2/64 nodad dev $CL
ip -n $S link set $SL up; ip -n $C link set $CL up
mkdir -p /etc/netns/$C; echo 'fd77::1 quorvex-server6' > /etc/netns/$C/hosts)";
constexpr char kRemove[] =
    "ip netns del $S; ip netns del $C; rm -rf /etc/netns/$C; rmdir /etc/netns 2>/dev/null";

struct Namespaces {
    Namespaces() {
        const QString tag = QString::number(getpid());
        env.insert("S", "qvx-s-" + tag);
        env.insert("C", "qvx-c-" + tag);
        env.insert("SL", "qvs" + tag);
        env.insert("CL", "qvc" + tag);
        made = geteuid() == 0 && Shell(kMake) == 0;
    }
    ~Namespaces() { Shell(kRemove); }
    int Shell(const char* script) {
        QProcess shell;
        shell.setProcessEnvironment(env);
        shell.start("sh", {"-c", script});
        return shell.waitForFinished(10000) ? shell.exitCode() : -1;
    }
    QString operator[](const char* name) const { return env.value(name); }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    bool made = false;
};

TEST(DiscoveryBetweenMachines, FoundAndJoinedOverBroadcastMulticastAndIpv6Name) {
    Namespaces ns;
    if (!ns.made) {
        GTEST_SKIP() << "needs root, iproute2, network namespaces and veth links";
    }
    QProcess server;  // the dedicated server, on TCP and UDP 4000
    server.start("ip", {"netns", "exec", ns["S"], QUORVEX_SERVER, "--headless", "--players", "11"});
    ASSERT_TRUE(server.waitForReadyRead(10000));
    ASSERT_TRUE(server.readLine().contains("on TCP port 4000 "));
    const QString multicast = "QUORVEX_DISCOVERY_ADDRESSES=ff02::1%" + ns["CL"];
    struct Case {
        QStringList env;  // unset: the targets are computed inside the client's namespace
        QStringList host;
        QString found;
    } const cases[] = {
        {{"-u", "QUORVEX_DISCOVERY_ADDRESSES"}, {}, "FOUND 10.201.0.1\n"},
        {{multicast}, {}, "FOUND fe80::"},
        {{multicast}, {"quorvex-server6"}, "FOUND fe80::"},
    };
    for (const Case& c : cases) {
        QProcess finder;
        finder.start("ip", QStringList{"netns", "exec", ns["C"], "env"} + c.env +
                               QStringList{QUORVEX_DISCOVERY_PEER} + c.host);
        ASSERT_TRUE(finder.waitForFinished(15000));
        const QString out = finder.readAllStandardOutput();
        EXPECT_EQ(finder.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.startsWith(c.found) && out.endsWith("JOINED\n")) << out.toStdString();
    }
    server.kill();
    server.waitForFinished(5000);
}

}  // namespace
}  // namespace quorvex::test

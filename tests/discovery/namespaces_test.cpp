// Discovery between two network namespaces joined by a veth pair, as between two machines on
// one LAN: IPv4 broadcast, IPv6 multicast, and a name that resolves only to IPv6. Needs root;
// the namespaces, the link and the hosts file are removed afterwards.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

int Shell(const QString& command) {
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command});
}

struct Namespaces {
    const QString tag = QString::number(getpid());
    const QString server = "qvx-s-" + tag, client = "qvx-c-" + tag;
    const QString serverLink = "qvs" + tag, clientLink = "qvc" + tag;
    const QString hostsDir = "/etc/netns/" + client;

    bool Make() {
        const QString s = "ip -n " + server + " ", c = "ip -n " + client + " ";
        // Link-local addresses without duplicate detection, so they are usable at once.
        const QString noDad = " sysctl -qw net.ipv6.conf.default.accept_dad=0";
        const QStringList steps = {"ip netns add " + server,
                                   "ip netns add " + client,
                                   "ip netns exec " + server + noDad,
                                   "ip netns exec " + client + noDad,
                                   "ip link add " + serverLink + " netns " + server +
                                       " type veth peer name " + clientLink + " netns " + client,
                                   s + "addr add 10.201.0.1/24 dev " + serverLink,
                                   c + "addr add 10.201.0.2/24 dev " + clientLink,
                                   s + "addr add fd77::1/64 nodad dev " + serverLink,
                                   c + "addr add fd77::2/64 nodad dev " + clientLink,
                                   s + "link set lo up",
                                   c + "link set lo up",
                                   s + "link set " + serverLink + " up",
                                   c + "link set " + clientLink + " up"};
        return Shell(steps.join(" && ")) == 0 && QDir().mkpath(hostsDir);
    }
    ~Namespaces() {
        Shell("ip netns del " + server + " 2>/dev/null; ip netns del " + client + " 2>/dev/null");
        QDir(hostsDir).removeRecursively();
    }
};

TEST(DiscoveryBetweenMachines, FoundAndJoinedOverBroadcastMulticastAndIpv6Name) {
    if (geteuid() != 0 || Shell("command -v ip >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and iproute2 to make network namespaces";
    }
    Namespaces ns;
    if (!ns.Make()) {
        GTEST_SKIP() << "this machine cannot make network namespaces joined by veth";
    }
    QFile hosts(ns.hostsDir + "/hosts");
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("fd77::1 quorvex-server6\n");
    hosts.close();

    QProcess server;
    server.start("ip", {"netns", "exec", ns.server, QUORVEX_DISCOVERY_PEER, "serve"});
    ASSERT_TRUE(server.waitForReadyRead(10000));
    ASSERT_EQ(server.readLine().trimmed(), "READY");
    struct Case {
        QString targets;  // empty: computed inside the client's namespace
        QStringList hostArgument;
        QString found;
    };
    const Case cases[] = {
        {"", {}, "FOUND 10.201.0.1"},
        {"ff02::1%" + ns.clientLink, {}, "FOUND fe80::"},
        {"ff02::1%" + ns.clientLink, {"quorvex-server6"}, "FOUND fe80::"},
    };
    for (const Case& c : cases) {
        QProcess finder;
        QStringList env = c.targets.isEmpty()
                              ? QStringList{"-u", "QUORVEX_DISCOVERY_ADDRESSES"}
                              : QStringList{"QUORVEX_DISCOVERY_ADDRESSES=" + c.targets};
        finder.start("ip", QStringList{"netns", "exec", ns.client, "env"} + env +
                               QStringList{QUORVEX_DISCOVERY_PEER, "find"} + c.hostArgument);
        ASSERT_TRUE(finder.waitForFinished(15000));
        const QString out = QString::fromUtf8(finder.readAllStandardOutput());
        EXPECT_EQ(finder.exitCode(), 0) << c.found.toStdString() << ": " << out.toStdString()
                                        << finder.readAllStandardError().toStdString();
        EXPECT_TRUE(out.startsWith(c.found) && out.contains("JOINED")) << out.toStdString();
    }
    server.kill();
    server.waitForFinished(5000);
}

}  // namespace

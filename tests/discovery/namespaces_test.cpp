// Discovery between two network namespaces joined by a veth pair, as between two machines on
// one LAN: IPv4 broadcast, IPv6 multicast, and a name that resolves only to IPv6. Needs root;
// the namespaces, the link and the hosts file are removed afterwards.

#include <unistd.h>

#include <QProcess>

#include <gtest/gtest.h>

namespace {

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
    QProcess server;
    server.start("ip", {"netns", "exec", ns["S"], QUORVEX_DISCOVERY_PEER, "serve"});
    ASSERT_TRUE(server.waitForReadyRead(10000));
    ASSERT_EQ(server.readLine().trimmed(), "READY");
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
                               QStringList{QUORVEX_DISCOVERY_PEER, "find"} + c.host);
        ASSERT_TRUE(finder.waitForFinished(15000));
        const QString out = finder.readAllStandardOutput();
        EXPECT_EQ(finder.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.startsWith(c.found) && out.endsWith("JOINED\n")) << out.toStdString();
    }
    server.kill();
    server.waitForFinished(5000);
}

}  // namespace

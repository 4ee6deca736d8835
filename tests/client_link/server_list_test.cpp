// The host prompt's server list against replies from anyone on the network: texts, addresses,
// ports, floods and silence.

#include <gtest/gtest.h>

#include "client/link/server_list.h"

namespace quorvex::client {
namespace {

TEST(ShownText, KeepsWhatIsVisibleAndNothingElse) {
    const auto R = [](int n) {  // n replacement characters
        std::string r;
        while (n-- > 0) {
            r += "\xEF\xBF\xBD";
        }
        return r;
    };
    const std::string visible =  // the visible neighbours of every range left out
        " ~\xC2\xA0\xD8\x9B\xE2\x80\x8A\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\x9F\xE2\x81\xB0"
        "\xEF\xBB\xBE\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF";
    const struct {
        std::string raw, shown;
    } cases[] = {
        {visible, visible},
        {"a\nb\r\tc\x1B[2J", "abc[2J"},
        {std::string("\0\x1F\x7F\xC2\x80\xC2\x9F", 7), ""},
        // Arabic letter mark, zero-width and directional marks, line and paragraph separators,
        // embeddings and overrides (U+202E), isolates, the byte-order mark.
        {"\xD8\x9C\xE2\x80\x8B\xE2\x80\x8F\xE2\x80\xA8\xE2\x80\xAE\xE2\x81\xA0\xE2\x81\xAF"
         "\xEF\xBB\xBF",
         ""},
        // A stray byte, an overlong '/', a surrogate, past U+10FFFF, an overlong U+07FF, a cut end.
        {"\xFF|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE0\x9F\xBF|\xC3",
         R(1) + "|" + R(2) + "|" + R(3) + "|" + R(4) + "|" + R(3) + "|" + R(1)},
        {std::string(70, 'x'), std::string(64, 'x')},
        {std::string(40, 'x') + std::string(30, '\n') + "\xC3\xA9yz",
         std::string(40, 'x') + "\xC3\xA9yz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownText(c.raw), c.shown) << c.raw;
    }
    std::string accents;
    for (int i = 0; i < 65; ++i) {
        accents += "\xC3\xA9";
    }
    EXPECT_EQ(ShownText(accents), accents.substr(0, 128));  // characters counted, not bytes
}

TEST(ConnectAddress, TheNamedAddressOnlyOnTheSendersNetwork) {
    const struct {
        const char *named, *sender, *used;
    } cases[] = {
        {"192.168.1.5", "192.168.1.5", "192.168.1.5"},
        {"192.168.1.7", "192.168.1.5", "192.168.1.7"},
        {"::ffff:192.168.1.7", "192.168.1.5", "192.168.1.7"},
        {"8.8.8.8", "192.168.1.5", "192.168.1.5"},
        {"192.168.2.5", "192.168.1.5", "192.168.1.5"},
        {"", "192.168.1.5", "192.168.1.5"},
        {"evil.example", "192.168.1.5", "192.168.1.5"},
        {"fd00::5", "192.168.1.5", "192.168.1.5"},
        {"fd00::100:0:0:9", "fd00::5", "fd00::100:0:0:9"},
        {"fd00:0:0:1::5", "fd00::5", "fd00::5"},
        {"fe80::2", "fe80::2%eth0", "fe80::2%eth0"},
        {"fe80::2%eth1", "fe80::2%eth0", "fe80::2%eth0"},
        {"::1", "::1", "::1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConnectAddress(c.named, c.sender), c.used) << c.named << " from " << c.sender;
    }
}

session::HeardReply Heard(const std::string& sender, std::uint32_t instance,
                          const std::string& host = "hal", std::uint16_t senderPort = 4000) {
    session::HeardReply h;
    h.reply = {1, instance, "session", host, "", 4321, 1, 10, 1, "5", "1.0"};
    h.sender = sender;
    h.senderPort = senderPort;
    return h;
}

std::vector<std::string> Hosts(const ServerList& list) {
    std::vector<std::string> hosts;
    for (const auto& s : list.Servers()) {
        hosts.push_back(s.reply.hostName + "@" + s.connectAddress);
    }
    return hosts;
}

TEST(ServerList, BelievesOnlyTheDiscoveryPortAndOneEntryPerSender) {
    ServerList list(4000);
    EXPECT_FALSE(list.Add(Heard("10.0.0.9", 1, "other port", 4001), 0));
    for (std::uint32_t i = 0; i < 1000; ++i) {  // one sender flooding with new instances
        list.Add(Heard("10.0.0.66", i, "flood " + std::to_string(i)), 0);
    }
    EXPECT_EQ(Hosts(list), std::vector<std::string>{"flood 999@10.0.0.66"});
    for (int i = 0; i < 1000; ++i) {  // forged senders: the list stops growing
        list.Add(Heard("10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256), 5000 + i),
                 0);
    }
    EXPECT_EQ(list.Servers().size(), 64u);
    EXPECT_FALSE(list.Add(Heard("10.2.0.1", 9999), 0));
}

TEST(ServerList, OneEntryPerServerSortedByNameFirstRouteKept) {
    ServerList list(4000);
    auto hostile = Heard("10.0.0.2", 7, "b\nob\xE2\x80\xAE");
    hostile.reply.sessionName = "s\x1B";
    hostile.reply.missLimit = "5\r";
    hostile.reply.version = "1\t";
    hostile.reply.address = "8.8.8.8";
    list.Add(hostile, 0);
    list.Add(Heard("10.0.0.3", 8, "amy"), 0);
    list.Add(Heard("::1", 8, "amy"), 0);  // the same server on another route
    list.Add(Heard("10.0.0.1", 9, "bob"), 0);
    EXPECT_EQ(Hosts(list),
              (std::vector<std::string>{"amy@10.0.0.3", "bob@10.0.0.1", "bob@10.0.0.2"}));
    const auto& r = list.Servers()[2].reply;
    EXPECT_EQ(std::tie(r.sessionName, r.missLimit, r.version, r.port),
              std::tuple("s", "5", "1", 4321));
    list.Add(Heard("10.0.0.3", 8, "zoe"), 0);
    EXPECT_EQ(Hosts(list).back(), "zoe@10.0.0.3");
}

TEST(ServerList, ASilentServerGoesAfterItsTime) {
    ServerList list(4000);
    list.Add(Heard("10.0.0.1", 1), 1000);
    list.Add(Heard("10.0.0.2", 2), 2000);
    EXPECT_FALSE(list.Expire(1000 + kServerSilenceMs));
    EXPECT_TRUE(list.Expire(1001 + kServerSilenceMs));
    EXPECT_EQ(Hosts(list), std::vector<std::string>{"hal@10.0.0.2"});
    EXPECT_EQ(kServerSilenceMs, 3500);
}

}  // namespace
}  // namespace quorvex::client

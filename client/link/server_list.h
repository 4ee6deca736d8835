#pragma once

// The host prompt's list of servers found on the network, as plain rules: which replies are
// believed, under which address and port a server is offered, how many entries there may be,
// when they go and in which order they show. Anyone on the network can send a reply, so a
// reply is trusted no further than it must be: it cannot point the player at a machine
// elsewhere, fill the list from one sender, or put control characters on the screen.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/session/discovery.h"

namespace quorvex::client {

// Far more servers than a LAN runs; beyond it a flood of forged senders only loses entries.
inline constexpr std::size_t kMaxListedServers = 64;
// A server unheard for longer has gone: three asks missed, with room for a slow answer.
inline constexpr std::int64_t kServerSilenceMs = 3500;
// The most characters a text from a reply shows.
inline constexpr std::size_t kShownTextChars = 64;

struct ListedServer {
    std::string sender;  // the address the reply came from, scope kept ("fe80::1%eth0")
    std::string connectAddress;
    session::DiscoveryReply reply;  // its texts made fit to show
    std::int64_t roundTripUs = 0;
    std::int64_t lastHeardMs = 0;
};

// `text` fit to show on one line: invalid UTF-8 replaced by U+FFFD, control characters (line
// breaks and ESC among them), bidirectional overrides and isolates and other invisible format
// characters left out, and at most `maxChars` characters kept.
std::string ShownText(std::string_view text, std::size_t maxChars = kShownTextChars);

// Where to connect to the server that sent a reply from `sender` naming the address `named`:
// `named` only when it is the sender's own address or on its network (the same /24, or /64 for
// IPv6) and not link-local (which needs our interface to be reached); the sender's own
// address otherwise.
std::string ConnectAddress(const std::string& named, const std::string& sender);

class ServerList {
  public:
    // Servers answer from `discoveryPort`; replies from any other port are not theirs.
    explicit ServerList(std::uint16_t discoveryPort = session::kDiscoveryPort,
                        std::size_t capacity = kMaxListedServers);

    // A reply heard at `nowMs`; whether the list changed.
    bool Add(const session::HeardReply& heard, std::int64_t nowMs);
    // Leaves out the servers silent for longer than kServerSilenceMs; whether any went.
    bool Expire(std::int64_t nowMs);
    // By host name, then address and port.
    const std::vector<ListedServer>& Servers() const { return servers_; }

  private:
    std::uint16_t discoveryPort_;
    std::size_t capacity_;
    std::vector<ListedServer> servers_;
};

}  // namespace quorvex::client

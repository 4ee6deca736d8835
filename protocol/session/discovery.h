#pragma once

// LAN discovery datagrams: a client's query and a server's reply, carried over UDP beside the
// session's TCP port. Plain C++ so the parser can be fuzzed and tested without sockets.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/buffer.h"
#include "protocol/session/limits.h"

namespace quorvex::session {

// The UDP port the server answers on: the same number as the TCP port.
inline constexpr auto kDiscoveryPort = static_cast<std::uint16_t>(kDefaultPort);
inline constexpr std::uint16_t kDiscoveryFormat = 1;
// Every query is padded to at least this size, and a reply is never larger than the query it
// answers: a forged sender address gains an attacker nothing by asking us.
inline constexpr std::size_t kDiscoveryQueryBytes = 512;
// Each text of a reply is cut to this many bytes (at a character boundary), so that a reply
// always fits in the smallest query.
inline constexpr std::size_t kDiscoveryTextBytes = 64;
// Datagrams are read up to this size; anything longer is not ours.
inline constexpr std::size_t kDiscoveryMaxDatagramBytes = 2048;

// Datagrams read in one turn of the event loop; the rest wait for the next turn, so that a
// flood never holds up a timer.
inline constexpr int kDiscoveryReadsPerTurn = 64;

enum class DiscoveryKind : std::uint8_t { Query = 1, Reply = 2 };

struct DiscoveryQuery {
    std::uint32_t token = 0;  // echoed in the reply, so the asker knows its own answers
};

struct DiscoveryReply {
    std::uint32_t token = 0;
    std::uint32_t instance = 0;  // random per server run: one server heard on two routes
    std::string sessionName;
    std::string hostName;
    std::string address;  // where to connect; empty when the server could not tell
    std::uint16_t port = 0;
    std::uint32_t players = 0;     // clients connected, the server's own player not counted
    std::uint32_t maxPlayers = 0;  // clients it admits at most
    std::uint8_t gameType = 0;     // as in GameSettings: 1 Points, 2 Survivor, 3 Free 4 All
    std::string missLimit;
    std::string version;

    bool operator==(const DiscoveryReply&) const = default;
};

// A reply as the client heard it: where from, and how long after the ask it answers.
struct HeardReply {
    DiscoveryReply reply;
    std::string sender;  // the sender's address as text, with its scope ("fe80::1%eth0")
    std::uint16_t senderPort = 0;
    std::int64_t roundTripUs = 0;
};

// The query, padded with zeros to kDiscoveryQueryBytes.
Buffer EncodeDiscoveryQuery(const DiscoveryQuery& query);
// A query of ours: the right kind, format and application identifier, and padded.
std::optional<DiscoveryQuery> DecodeDiscoveryQuery(ByteView datagram);

// Texts longer than kDiscoveryTextBytes are cut.
Buffer EncodeDiscoveryReply(const DiscoveryReply& reply);
// A reply of ours with every field present and within its bounds; bytes after the last field
// are left for later formats.
std::optional<DiscoveryReply> DecodeDiscoveryReply(ByteView datagram);

// `text` cut to at most `bytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t bytes);

}  // namespace quorvex::session

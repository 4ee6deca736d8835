#include "protocol/session/discovery.h"

#include <initializer_list>

#include "protocol/session/limits.h"

namespace quorvex::session {
namespace {

void Begin(Buffer& b, std::int32_t& offset, DiscoveryKind kind) {
    offset = BeginBuffer(b);
    AppendData(b, static_cast<std::uint8_t>(kind), 1, offset);
    AppendData(b, kDiscoveryFormat, 2, offset);
    AppendString(b, kApplicationId, offset);
}

// Kind, format and application identifier: whether the datagram is ours at all.
bool ReadHeader(ByteView datagram, DiscoveryKind kind, std::int32_t& offset) {
    std::uint64_t readKind = 0;
    std::uint64_t format = 0;
    std::string application;
    offset = 0;
    return ReadData(datagram, readKind, 1, offset) && readKind == static_cast<std::uint8_t>(kind) &&
           ReadData(datagram, format, 2, offset) && format == kDiscoveryFormat &&
           ReadString(datagram, offset, application) && application == kApplicationId;
}

bool ReadText(ByteView datagram, std::int32_t& offset, std::string& text) {
    return ReadString(datagram, offset, text) && text.size() <= kDiscoveryTextBytes;
}

// Header, token, instance, five texts at their longest, port, two counts and the game type.
constexpr std::size_t kLongestReplyBytes = 1 + 2 + (2 + sizeof(kApplicationId) - 1) + 4 + 4 +
                                           5 * (2 + kDiscoveryTextBytes) + 2 + 4 + 4 + 1;
static_assert(kLongestReplyBytes <= kDiscoveryQueryBytes, "a reply must never outgrow a query");

}  // namespace

std::string CutUtf8(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    std::size_t end = bytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

Buffer EncodeDiscoveryQuery(const DiscoveryQuery& query) {
    Buffer b;
    std::int32_t offset = 0;
    Begin(b, offset, DiscoveryKind::Query);
    AppendData(b, query.token, 4, offset);
    b.resize(kDiscoveryQueryBytes, 0);
    return b;
}

std::optional<DiscoveryQuery> DecodeDiscoveryQuery(ByteView datagram) {
    std::int32_t offset = 0;
    std::uint64_t token = 0;
    if (datagram.size() < kDiscoveryQueryBytes ||
        !ReadHeader(datagram, DiscoveryKind::Query, offset) ||
        !ReadData(datagram, token, 4, offset)) {
        return std::nullopt;
    }
    return DiscoveryQuery{static_cast<std::uint32_t>(token)};
}

Buffer EncodeDiscoveryReply(const DiscoveryReply& reply) {
    Buffer b;
    std::int32_t offset = 0;
    Begin(b, offset, DiscoveryKind::Reply);
    AppendData(b, reply.token, 4, offset);
    AppendData(b, reply.instance, 4, offset);
    for (const std::string* text : {&reply.sessionName, &reply.hostName, &reply.address}) {
        AppendString(b, CutUtf8(*text, kDiscoveryTextBytes), offset);
    }
    AppendData(b, reply.port, 2, offset);
    AppendData(b, reply.players, 4, offset);
    AppendData(b, reply.maxPlayers, 4, offset);
    AppendData(b, reply.gameType, 1, offset);
    AppendString(b, CutUtf8(reply.missLimit, kDiscoveryTextBytes), offset);
    AppendString(b, CutUtf8(reply.version, kDiscoveryTextBytes), offset);
    return b;
}

std::optional<DiscoveryReply> DecodeDiscoveryReply(ByteView datagram) {
    DiscoveryReply reply;
    std::int32_t offset = 0;
    std::uint64_t token = 0, instance = 0, port = 0, players = 0, maxPlayers = 0, gameType = 0;
    if (!ReadHeader(datagram, DiscoveryKind::Reply, offset) ||
        !ReadData(datagram, token, 4, offset) || !ReadData(datagram, instance, 4, offset) ||
        !ReadText(datagram, offset, reply.sessionName) ||
        !ReadText(datagram, offset, reply.hostName) || !ReadText(datagram, offset, reply.address) ||
        !ReadData(datagram, port, 2, offset) || !ReadData(datagram, players, 4, offset) ||
        !ReadData(datagram, maxPlayers, 4, offset) || !ReadData(datagram, gameType, 1, offset) ||
        !ReadText(datagram, offset, reply.missLimit) ||
        !ReadText(datagram, offset, reply.version) || port == 0 || gameType < 1 || gameType > 3) {
        return std::nullopt;
    }
    reply.token = static_cast<std::uint32_t>(token);
    reply.instance = static_cast<std::uint32_t>(instance);
    reply.port = static_cast<std::uint16_t>(port);
    reply.players = static_cast<std::uint32_t>(players);
    reply.maxPlayers = static_cast<std::uint32_t>(maxPlayers);
    reply.gameType = static_cast<std::uint8_t>(gameType);
    return reply;
}

}  // namespace quorvex::session

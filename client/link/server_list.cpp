#include "client/link/server_list.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <optional>
#include <tuple>

namespace quorvex::client {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at `at` and its length in bytes; length 0 when the bytes there are
// not valid UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
std::pair<char32_t, std::size_t> DecodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, point = lead & 0x07, least = 0x10000;
    } else {
        return {0, 0};
    }
    if (at + length > text.size()) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {0, 0};
        }
        point = point << 6 | (byte(i) & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return {0, 0};
    }
    return {point, length};
}

// Characters that move the cursor, reorder what follows or hide themselves.
bool Unshown(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct Ip {
    bool v6 = false;
    std::array<unsigned char, 16> bytes{};  // network order; IPv4 in the first four
};

// A plain address, no scope; ::ffff:a.b.c.d is the IPv4 address a.b.c.d.
std::optional<Ip> ParseIp(const std::string& text) {
    Ip ip;
    if (inet_pton(AF_INET, text.c_str(), ip.bytes.data()) == 1) {
        return ip;
    }
    if (inet_pton(AF_INET6, text.c_str(), ip.bytes.data()) != 1) {
        return std::nullopt;
    }
    constexpr std::array<unsigned char, 12> kMapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::equal(kMapped.begin(), kMapped.end(), ip.bytes.begin())) {
        std::copy(ip.bytes.begin() + 12, ip.bytes.end(), ip.bytes.begin());
        std::fill(ip.bytes.begin() + 4, ip.bytes.end(), 0);
        return ip;
    }
    ip.v6 = true;
    return ip;
}

std::string ToText(const Ip& ip) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(ip.v6 ? AF_INET6 : AF_INET, ip.bytes.data(), text, sizeof text);
    return text;
}

// Link-local addresses need our interface to be reached, which only the sender's address has.
bool LinkLocal(const Ip& ip) {
    return ip.v6 && ip.bytes[0] == 0xFE && (ip.bytes[1] & 0xC0) == 0x80;
}

bool SameNetwork(const Ip& a, const Ip& b) {
    const std::size_t prefixBytes = a.v6 ? 8 : 3;
    return a.v6 == b.v6 &&
           std::equal(a.bytes.begin(), a.bytes.begin() + prefixBytes, b.bytes.begin());
}

session::DiscoveryReply Shown(session::DiscoveryReply reply) {
    for (std::string* text :
         {&reply.sessionName, &reply.hostName, &reply.missLimit, &reply.version}) {
        *text = ShownText(*text);
    }
    return reply;
}

auto Order(const ListedServer& s) {
    return std::tie(s.reply.hostName, s.connectAddress, s.reply.port, s.sender);
}

}  // namespace

std::string ShownText(std::string_view text, std::size_t maxChars) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size() && chars < maxChars;) {
        auto [point, length] = DecodeAt(text, at);
        if (length == 0) {
            point = kReplacement;
            length = 1;
        }
        at += length;
        if (!Unshown(point)) {
            AppendUtf8(out, point);
            ++chars;
        }
    }
    return out;
}

std::string ConnectAddress(const std::string& named, const std::string& sender) {
    const auto from = ParseIp(sender.substr(0, sender.find('%')));
    const auto to = named.find('%') == std::string::npos ? ParseIp(named) : std::nullopt;
    if (!from || !to || LinkLocal(*to) || !SameNetwork(*from, *to)) {
        return sender;
    }
    return ToText(*to);
}

ServerList::ServerList(std::uint16_t discoveryPort, std::size_t capacity)
    : discoveryPort_(discoveryPort), capacity_(capacity) {}

bool ServerList::Add(const session::HeardReply& heard, std::int64_t nowMs) {
    if (heard.senderPort != discoveryPort_) {
        return false;
    }
    ListedServer fresh{heard.sender, ConnectAddress(heard.reply.address, heard.sender),
                       Shown(heard.reply), heard.roundTripUs, nowMs};
    auto same = std::find_if(servers_.begin(), servers_.end(), [&](const ListedServer& s) {
        return s.reply.instance == heard.reply.instance && s.reply.port == heard.reply.port;
    });
    if (same != servers_.end()) {
        // The first route heard stays: the entry must not change address while someone picks it.
        fresh.sender = same->sender;
        fresh.connectAddress = same->connectAddress;
    } else {
        // A machine answers on this port for one server: another instance from the same sender is
        // that server started again, or a flood, and takes the entry's place either way.
        same = std::find_if(servers_.begin(), servers_.end(),
                            [&](const ListedServer& s) { return s.sender == heard.sender; });
    }
    if (same != servers_.end()) {
        *same = std::move(fresh);
    } else if (servers_.size() < capacity_) {
        servers_.push_back(std::move(fresh));
    } else {
        return false;
    }
    std::sort(servers_.begin(), servers_.end(),
              [](const ListedServer& a, const ListedServer& b) { return Order(a) < Order(b); });
    return true;
}

bool ServerList::Expire(std::int64_t nowMs) {
    return std::erase_if(servers_, [nowMs](const ListedServer& s) {
               return nowMs - s.lastHeardMs > kServerSilenceMs;
           }) > 0;
}

}  // namespace quorvex::client

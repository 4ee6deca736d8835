#include "protocol/session/address_key.h"

#include <arpa/inet.h>

#include <algorithm>

namespace quorvex::session {
namespace {

constexpr std::uint32_t kLoopbackV4 = 0x7F000001;

std::uint64_t BigEndian(const std::uint8_t* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

AddressKey V4Key(std::uint64_t address) {
    return {AddressKey::Family::Ipv4, address};
}

}  // namespace

IpAddress IpAddress::V4(std::uint32_t address) {
    IpAddress ip;
    for (int i = 0; i < 4; ++i) {
        ip.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
    }
    return ip;
}

IpAddress IpAddress::V6(const std::array<std::uint8_t, 16>& address) {
    IpAddress ip;
    ip.v6 = true;
    ip.bytes = address;
    return ip;
}

AddressKey KeyOf(const IpAddress& address) {
    const auto* b = address.bytes.data();
    if (!address.v6) {
        return V4Key(BigEndian(b, 4));
    }
    const bool zeroHead = std::all_of(b, b + 10, [](std::uint8_t x) { return x == 0; });
    if (zeroHead && b[10] == 0xFF && b[11] == 0xFF) {
        return V4Key(BigEndian(b + 12, 4));  // ::ffff:a.b.c.d is the IPv4 host a.b.c.d
    }
    if (zeroHead && BigEndian(b + 10, 6) == 1) {
        return V4Key(kLoopbackV4);  // ::1 is this machine, as 127.0.0.1 is
    }
    return {AddressKey::Family::Ipv6Prefix, BigEndian(b, 8)};
}

bool IsThisMachine(const AddressKey& key) {
    return key == V4Key(kLoopbackV4);
}

std::string ToString(const AddressKey& key) {
    char text[INET6_ADDRSTRLEN] = {};
    if (key.family == AddressKey::Family::Ipv4) {
        const std::uint32_t network = htonl(static_cast<std::uint32_t>(key.bits));
        inet_ntop(AF_INET, &network, text, sizeof text);
        return text;
    }
    std::uint8_t prefix[16] = {};
    for (int i = 0; i < 8; ++i) {
        prefix[i] = static_cast<std::uint8_t>(key.bits >> (56 - 8 * i));
    }
    inet_ntop(AF_INET6, prefix, text, sizeof text);
    return std::string(text) + "/64";
}

std::optional<AddressKey> ParseAddressKey(std::string_view text) {
    std::string address(text);
    if (address.size() > 3 && address.ends_with("/64")) {
        address.resize(address.size() - 3);
    } else if (address.find('/') != std::string::npos) {
        return std::nullopt;
    }
    std::uint8_t bytes[16] = {};
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1) {
        return text.ends_with("/64") ? std::nullopt : std::optional(V4Key(BigEndian(bytes, 4)));
    }
    if (inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        std::array<std::uint8_t, 16> all{};
        std::copy(bytes, bytes + 16, all.begin());
        return KeyOf(IpAddress::V6(all));
    }
    return std::nullopt;
}

}  // namespace quorvex::session

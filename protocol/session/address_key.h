#pragma once

// Who a connection or a datagram counts against. An IPv4 address is one key; so is an IPv6
// one mapped from IPv4. Other IPv6 addresses count per /64, the smallest block one host is
// routinely given, so a host cannot become many by picking addresses inside it. The loopback
// addresses 127.0.0.1 and ::1 are one key, this machine's: friends playing on the server's own
// computer, and its computer players, all come from there. Other 127.x addresses are hosts of
// their own (tests and harnesses use them as such).

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::session {

struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};  // network order; IPv4 uses the first four

    static IpAddress V4(std::uint32_t address);  // host order, as 0x7F000001 for 127.0.0.1
    static IpAddress V6(const std::array<std::uint8_t, 16>& address);
};

struct AddressKey {
    enum class Family : std::uint8_t { Ipv4, Ipv6Prefix };
    Family family = Family::Ipv4;
    // The IPv4 address, or the first 64 bits of the IPv6 one, as a number in host order.
    std::uint64_t bits = 0;

    auto operator<=>(const AddressKey&) const = default;
};

AddressKey KeyOf(const IpAddress& address);
// 127.0.0.1 or ::1: exempt from the limits per address (never from the totals).
bool IsThisMachine(const AddressKey& key);

// "192.0.2.7" or "2001:db8:1:2::/64".
std::string ToString(const AddressKey& key);
// An address (IPv4 or IPv6, without brackets or scope) or a /64 prefix as ToString writes it.
std::optional<AddressKey> ParseAddressKey(std::string_view text);

}  // namespace quorvex::session

#include "protocol/session/qt_address_key.h"

namespace quorvex::session {

IpAddress IpAddressOf(const QHostAddress& address) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        return IpAddress::V4(address.toIPv4Address());
    }
    // Anything else (an IPv6 address, or none at all: all zeros) as sixteen bytes.
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = v6[static_cast<int>(i)];
    }
    return IpAddress::V6(bytes);
}

AddressKey KeyOf(const QHostAddress& address) {
    return KeyOf(IpAddressOf(address));
}

}  // namespace quorvex::session

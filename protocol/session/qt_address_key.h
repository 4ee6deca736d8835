#pragma once

// The address key (see address_key.h) of a socket's peer or a datagram's sender.

#include <QHostAddress>

#include "protocol/session/address_key.h"

namespace quorvex::session {

IpAddress IpAddressOf(const QHostAddress& address);
AddressKey KeyOf(const QHostAddress& address);

}  // namespace quorvex::session

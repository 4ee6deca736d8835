#pragma once

// Where a client asks for servers: the broadcast address of every IPv4 interface that is up,
// the IPv6 all-nodes group ff02::1 on every such interface, and 127.0.0.1 for a server on the
// same machine. The environment can replace that list, so that tests and trial runs never
// send a broadcast onto a real network.

#include <QHostAddress>
#include <QList>
#include <QString>

namespace quorvex::session {

// A comma-separated list of addresses; when set (even empty) it replaces the computed
// targets. For example QUORVEX_DISCOVERY_ADDRESSES=127.0.0.1,::1
inline constexpr char kDiscoveryAddressesVariable[] = "QUORVEX_DISCOVERY_ADDRESSES";

QList<QHostAddress> DiscoveryTargets();

// A dual-stack socket reports IPv4 peers as ::ffff:a.b.c.d; people read and type a.b.c.d.
QHostAddress Plain(const QHostAddress& address);

// The addresses of a comma-separated list; entries that are not addresses are left out.
QList<QHostAddress> ParseDiscoveryTargets(const QString& list);

}  // namespace quorvex::session

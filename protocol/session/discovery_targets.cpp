#include "protocol/session/discovery_targets.h"

#include <QNetworkInterface>

namespace quorvex::session {
namespace {

// The entry's broadcast address, worked out from its prefix when the address was configured
// without one (ip addr add 10.1.2.3/24 sets none).
QHostAddress SubnetBroadcast(const QNetworkAddressEntry& entry) {
    if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) {
        return {};
    }
    if (!entry.broadcast().isNull()) {
        return entry.broadcast();
    }
    const int prefix = entry.prefixLength();
    if (prefix < 1 || prefix > 30) {
        return {};  // no room for a broadcast address, or no prefix known
    }
    return QHostAddress(entry.ip().toIPv4Address() | (0xFFFFFFFFu >> prefix));
}

}  // namespace

QHostAddress Plain(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

QList<QHostAddress> ParseDiscoveryTargets(const QString& list) {
    QList<QHostAddress> targets;
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QHostAddress address;
        if (address.setAddress(part.trimmed()) && !targets.contains(address)) {
            targets.append(address);
        }
    }
    return targets;
}

QList<QHostAddress> DiscoveryTargets() {
    if (qEnvironmentVariableIsSet(kDiscoveryAddressesVariable)) {
        return ParseDiscoveryTargets(qEnvironmentVariable(kDiscoveryAddressesVariable));
    }
    QList<QHostAddress> targets;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        bool hasIPv6 = false;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            // 255.255.255.255 does not leave every stack the same way; each subnet's own
            // broadcast address does.
            const QHostAddress broadcast = SubnetBroadcast(entry);
            if (!broadcast.isNull() && flags.testFlag(QNetworkInterface::CanBroadcast) &&
                !targets.contains(broadcast)) {
                targets.append(broadcast);
            }
            hasIPv6 = hasIPv6 || entry.ip().protocol() == QAbstractSocket::IPv6Protocol;
        }
        if (hasIPv6 && flags.testFlag(QNetworkInterface::CanMulticast)) {
            QHostAddress allNodes(QStringLiteral("ff02::1"));
            allNodes.setScopeId(interface.name());
            targets.append(allNodes);
        }
    }
    targets.append(QHostAddress(QHostAddress::LocalHost));
    return targets;
}

}  // namespace quorvex::session

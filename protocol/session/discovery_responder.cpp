#include "protocol/session/discovery_responder.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QUdpSocket>

#include "protocol/session/discovery_targets.h"
#include "protocol/session/qt_address_key.h"

namespace quorvex::session {
namespace {

// Our scope (interface name) means nothing on the asker's machine.
std::string Unscoped(QHostAddress address) {
    address.setScopeId(QString());
    return address.toString().toStdString();
}

// The address the asker can reach us on: the one its query was sent to when that is one of
// ours, else (a broadcast or a multicast) our address on the asker's subnet.
std::string AddressFor(const QNetworkDatagram& query) {
    const QHostAddress local = Plain(query.destinationAddress());
    const QHostAddress sender = Plain(query.senderAddress());
    if (local.isLoopback()) {
        return Unscoped(local);
    }
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().isEqual(local, QHostAddress::TolerantConversion)) {
                return Unscoped(local);
            }
        }
    }
    for (const QNetworkInterface& interface : interfaces) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == sender.protocol() && !ip.isLoopback() &&
                sender.isInSubnet(ip, entry.prefixLength())) {
                return Unscoped(ip);
            }
        }
    }
    return {};
}

}  // namespace

DiscoveryResponder::DiscoveryResponder(Describe describe, QObject* parent)
    : QObject(parent),
      describe_(std::move(describe)),
      instance_(QRandomGenerator::system()->generate()) {
    clock_.start();
}

DiscoveryResponder::~DiscoveryResponder() = default;

Status DiscoveryResponder::Start(std::uint16_t port) {
    auto socket = std::make_unique<QUdpSocket>();
    // Any, not AnyIPv4: one dual-stack socket hears IPv4 broadcasts and IPv6 multicasts alike.
    if (!socket->bind(QHostAddress::Any, port)) {
        return Status::Failure(ErrorCode::PortUnavailable, "Could not open UDP port " +
                                                               std::to_string(port) + ": " +
                                                               socket->errorString().toStdString());
    }
    socket_ = std::move(socket);
    connect(socket_.get(), &QUdpSocket::readyRead, this, &DiscoveryResponder::OnReadyRead);
    return Status::Success();
}

std::uint16_t DiscoveryResponder::Port() const {
    return socket_ ? socket_->localPort() : 0;
}

void DiscoveryResponder::OnReadyRead() {
    for (int read = 0; read < kDiscoveryReadsPerTurn && socket_->hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram =
            socket_->receiveDatagram(static_cast<qint64>(kDiscoveryMaxDatagramBytes));
        const QByteArray& data = datagram.data();
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                             static_cast<std::size_t>(data.size()));
        const auto query = DecodeDiscoveryQuery(bytes);
        if (!query || !quota_.Admit(KeyOf(datagram.senderAddress()), clock_.elapsed())) {
            ++ignored_;
            continue;
        }
        DiscoveryReply reply = describe_();
        reply.token = query->token;
        reply.instance = instance_;
        reply.address = AddressFor(datagram);
        const Buffer out = EncodeDiscoveryReply(reply);
        if (out.size() > bytes.size()) {
            ++ignored_;  // never: every reply fits in the smallest query, but never amplify
            continue;
        }
        socket_->writeDatagram(reinterpret_cast<const char*>(out.data()),
                               static_cast<qint64>(out.size()), datagram.senderAddress(),
                               datagram.senderPort());
    }
}

}  // namespace quorvex::session

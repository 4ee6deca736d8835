#include "protocol/session/discovery_browser.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QUdpSocket>

#include <algorithm>

#include "protocol/session/discovery_targets.h"

namespace quorvex::session {
namespace {

std::string ConnectAddress(const DiscoveryReply& reply, const QNetworkDatagram& datagram) {
    QHostAddress named;
    if (named.setAddress(QString::fromStdString(reply.address)) &&
        !(named.protocol() == QAbstractSocket::IPv6Protocol && named.isLinkLocal())) {
        return reply.address;
    }
    return Plain(datagram.senderAddress()).toString().toStdString();
}

}  // namespace

DiscoveryBrowser::DiscoveryBrowser(Targets targets, std::uint16_t port, QObject* parent)
    : QObject(parent), targets_(std::move(targets)), port_(port) {
    asking_.setInterval(kDiscoveryAskIntervalMs);
    connect(&asking_, &QTimer::timeout, this, &DiscoveryBrowser::Ask);
}

DiscoveryBrowser::~DiscoveryBrowser() = default;

void DiscoveryBrowser::Start() {
    if (Running()) {
        return;
    }
    // One socket per family: a machine without IPv6 still asks on IPv4, and the reverse.
    v4_ = std::make_unique<QUdpSocket>();
    v6_ = std::make_unique<QUdpSocket>();
    for (auto* socket : {v4_.get(), v6_.get()}) {
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { OnReadyRead(*socket); });
    }
    if (!v4_->bind(QHostAddress::AnyIPv4, 0)) {
        v4_.reset();
    }
    if (!v6_->bind(QHostAddress::AnyIPv6, 0)) {
        v6_.reset();
    }
    token_ = QRandomGenerator::system()->generate();
    since_.start();
    asking_.start();
    Ask();
}

void DiscoveryBrowser::Stop() {
    asking_.stop();
    v4_.reset();
    v6_.reset();
}

void DiscoveryBrowser::Ask() {
    const Buffer query = EncodeDiscoveryQuery(DiscoveryQuery{token_});
    for (const QHostAddress& target : targets_()) {
        QUdpSocket* socket =
            target.protocol() == QAbstractSocket::IPv4Protocol ? v4_.get() : v6_.get();
        if (socket != nullptr) {
            socket->writeDatagram(reinterpret_cast<const char*>(query.data()),
                                  static_cast<qint64>(query.size()), target, port_);
        }
    }
    const qint64 now = since_.elapsed();
    const auto gone = std::remove_if(servers_.begin(), servers_.end(), [now](const auto& server) {
        return now - server.lastHeardMs > kDiscoveryForgetMs;
    });
    if (gone != servers_.end()) {
        servers_.erase(gone, servers_.end());
        Changed();
    }
}

void DiscoveryBrowser::OnReadyRead(QUdpSocket& socket) {
    bool changed = false;
    for (int read = 0; read < kDiscoveryReadsPerTurn && socket.hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram =
            socket.receiveDatagram(static_cast<qint64>(kDiscoveryMaxDatagramBytes));
        const QByteArray& data = datagram.data();
        const auto reply =
            DecodeDiscoveryReply(ByteView(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                          static_cast<std::size_t>(data.size())));
        if (!reply || reply->token != token_) {
            continue;
        }
        const auto same = std::find_if(servers_.begin(), servers_.end(), [&](const auto& s) {
            return s.reply.instance == reply->instance && s.reply.port == reply->port;
        });
        if (same == servers_.end()) {
            servers_.push_back({*reply, ConnectAddress(*reply, datagram), since_.elapsed()});
            changed = true;
            continue;
        }
        // The first route heard stays: the entry must not jump while someone picks it.
        changed = changed || !(same->reply == *reply);
        same->reply = *reply;
        same->lastHeardMs = since_.elapsed();
    }
    if (changed) {
        Changed();
    }
}

void DiscoveryBrowser::Changed() {
    if (changed_) {
        changed_();
    }
}

}  // namespace quorvex::session

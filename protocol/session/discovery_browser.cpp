#include "protocol/session/discovery_browser.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QUdpSocket>

#include <algorithm>

#include "protocol/session/discovery_targets.h"

namespace quorvex::session {

DiscoveryBrowser::DiscoveryBrowser(Targets targets, std::uint16_t port, QObject* parent)
    : QObject(parent), targets_(std::move(targets)), port_(port) {
    asking_.setInterval(kDiscoveryAskIntervalMs);
    connect(&asking_, &QTimer::timeout, this, &DiscoveryBrowser::Ask);
    since_.start();
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
    asks_ = {};
    asking_.start();
    Ask();
}

void DiscoveryBrowser::Stop() {
    asking_.stop();
    v4_.reset();
    v6_.reset();
}

void DiscoveryBrowser::Ask() {
    SentAsk& ask = asks_[nextAsk_];
    nextAsk_ = (nextAsk_ + 1) % asks_.size();
    ask = {QRandomGenerator::system()->generate(), since_.nsecsElapsed()};
    const Buffer query = EncodeDiscoveryQuery(DiscoveryQuery{ask.token});
    for (const QHostAddress& target : targets_()) {
        QUdpSocket* socket =
            target.protocol() == QAbstractSocket::IPv4Protocol ? v4_.get() : v6_.get();
        if (socket != nullptr) {
            socket->writeDatagram(reinterpret_cast<const char*>(query.data()),
                                  static_cast<qint64>(query.size()), target, port_);
        }
    }
    if (asked_) {
        asked_();
    }
}

void DiscoveryBrowser::OnReadyRead(QUdpSocket& socket) {
    for (int read = 0; read < kDiscoveryReadsPerTurn && socket.hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram =
            socket.receiveDatagram(static_cast<qint64>(kDiscoveryMaxDatagramBytes));
        const QByteArray& data = datagram.data();
        auto reply =
            DecodeDiscoveryReply(ByteView(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                          static_cast<std::size_t>(data.size())));
        if (!reply) {
            continue;
        }
        const auto ask = std::find_if(asks_.begin(), asks_.end(), [&](const SentAsk& a) {
            return a.sentNs >= 0 && a.token == reply->token;
        });
        if (ask == asks_.end() || !heard_) {
            continue;
        }
        heard_(HeardReply{std::move(*reply),
                          Plain(datagram.senderAddress()).toString().toStdString(),
                          static_cast<std::uint16_t>(datagram.senderPort()),
                          (since_.nsecsElapsed() - ask->sentNs) / 1000});
    }
}

}  // namespace quorvex::session

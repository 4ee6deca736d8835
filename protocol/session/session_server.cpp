#include "protocol/session/session_server.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <limits>

#include "protocol/session/frame.h"
#include "protocol/session/qt_frames.h"

namespace quorvex::session {

class ServerPeer {
  public:
    explicit ServerPeer(QTcpSocket* s, std::size_t handshakeLimit)
        : socket(s), parser(handshakeLimit) {
        sinceConnected.start();
        sinceReceived.start();
        sinceSent.start();
    }
    ~ServerPeer() { Release(); }
    ServerPeer(const ServerPeer&) = delete;
    ServerPeer& operator=(const ServerPeer&) = delete;

    void Release() {
        if (socket != nullptr) {
            QObject::disconnect(socket, nullptr, nullptr, nullptr);
            socket->abort();
            socket->deleteLater();
            socket = nullptr;
        }
    }

    QTcpSocket* socket;
    FrameParser parser;
    // Frames queued during this turn of the event loop; they leave together in one write.
    // Cleared, never freed, so a busy player costs no allocation per message.
    std::vector<char> unsent;
    bool joined = false;
    PlayerId id = 0;
    std::string name;
    QElapsedTimer sinceConnected;
    QElapsedTimer sinceReceived;
    QElapsedTimer sinceSent;
};

namespace {

// A player's queue keeps up to this much room between turns; a burst's larger queue is given
// back, so that a quiet player holds no more than this.
constexpr std::size_t kKeptQueueBytes = 64 * 1024;

// The whole Data frame in one allocation, built once however many players it goes to.
QByteArray DataFrame(ByteView payload) {
    QByteArray frame(static_cast<qsizetype>(kFrameHeaderBytes + 1 + payload.size()),
                     Qt::Uninitialized);
    const auto length = static_cast<std::uint32_t>(payload.size() + 1);
    char* out = frame.data();
    for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) {
        out[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    out[kFrameHeaderBytes] = static_cast<char>(FrameKind::Data);
    std::copy(payload.begin(), payload.end(), out + kFrameHeaderBytes + 1);
    return frame;
}

}  // namespace

QString PreferredHostAddress(const QList<QHostAddress>& addresses) {
    QString ipv6;
    for (const QHostAddress& a : addresses) {
        if (a.isLoopback()) {
            continue;
        }
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            return a.toString();
        }
        // A link-local IPv6 address is useless without the reader's own interface name.
        if (ipv6.isEmpty() && a.protocol() == QAbstractSocket::IPv6Protocol && !a.isLinkLocal()) {
            ipv6 = a.toString();
        }
    }
    return ipv6.isEmpty() ? QStringLiteral("127.0.0.1") : ipv6;
}

SessionServer::SessionServer(Limits limits, QObject* parent) : QObject(parent), limits_(limits) {
    heartbeat_.setInterval(std::max(10, std::min(limits_.heartbeatIntervalMs, 500)));
    connect(&heartbeat_, &QTimer::timeout, this, &SessionServer::Heartbeat);
    // Frames queued while handling one batch of notifications leave together, one write per
    // player, just before the event loop next waits. The zero-interval timer is the same flush
    // for loops that never wait (processEvents without WaitForMoreEvents); scheduling a timer,
    // unlike posting a call, needs no wake-up of the loop.
    // Repeating, so that it is still active inside its own timeout; every flush stops it.
    flush_.setInterval(0);
    const auto flushAll = [this] {
        if (!flush_.isActive()) {
            return;  // nothing was queued since the last flush
        }
        flush_.stop();
        for (const auto& [socket, peer] : peers_) {
            if (!peer->unsent.empty()) {
                WriteNow(*socket, peer->unsent.data(), peer->unsent.size());
                peer->unsent.clear();
                if (peer->unsent.capacity() > kKeptQueueBytes) {
                    std::vector<char>().swap(peer->unsent);
                }
            }
        }
    };
    connect(&flush_, &QTimer::timeout, this, flushAll);
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, flushAll);
    }
}

SessionServer::~SessionServer() {
    Close(0);
}

Status SessionServer::Host(const ApplicationDesc& desc, const SessionAddress& address,
                           std::uint32_t /*flags*/) {
    if (listener_) {
        return Status::Failure(ErrorCode::InvalidParameter, "The session is already hosted");
    }
    if (desc.applicationId.empty()) {
        return Status::Failure(ErrorCode::InvalidParameter, "No application identifier given");
    }
    if (desc.maxPlayers < 2) {
        return Status::Failure(ErrorCode::InvalidParameter,
                               "The maximum number of players must be at least 2 (the "
                               "server's own player included)");
    }
    const auto port = address.Long("port");
    if (address.Provider() != kProviderTcpIp || !port || *port < 0 || *port > 65535) {
        return Status::Failure(ErrorCode::InvalidParameter, "The host address has no valid port");
    }
    auto listener = std::make_unique<QTcpServer>();
    if (!listener->listen(QHostAddress::Any, static_cast<quint16>(*port))) {
        return Status::Failure(ErrorCode::PortUnavailable,
                               "Could not open TCP port " + std::to_string(*port) + ": " +
                                   listener->errorString().toStdString());
    }
    listener_ = std::move(listener);
    connect(listener_.get(), &QTcpServer::newConnection, this, &SessionServer::OnNewConnection);
    desc_ = desc;
    hostId_ = nextId_++;
    hostReported_ = false;
    heartbeat_.start();
    QMetaObject::invokeMethod(this, &SessionServer::ReportHost, Qt::QueuedConnection);
    return Status::Success();
}

void SessionServer::ReportHost() {
    if (hostReported_ || !listener_) {
        return;
    }
    hostReported_ = true;
    if (handler_ != nullptr) {
        handler_->CreatePlayer(hostId_);
    }
}

Status SessionServer::GetClientInfo(PlayerId id, PlayerInfo& info) const {
    if (id == hostId_ && hostId_ != 0) {
        info = PlayerInfo{kInfoName, desc_.sessionName};
        return Status::Success();
    }
    for (const auto& [socket, peer] : peers_) {
        if (peer->joined && peer->id == id) {
            info = PlayerInfo{kInfoName, peer->name};
            return Status::Success();
        }
    }
    return Status::Failure(ErrorCode::InvalidParameter, "No player " + std::to_string(id));
}

Status SessionServer::SendTo(PlayerId target, ByteView message, int /*timeoutMs*/,
                             std::uint32_t /*flags*/) {
    if (!listener_) {
        return Status::Failure(ErrorCode::NotReady, "The session is not open");
    }
    if (auto refused = CheckOutgoing(message, limits_.maxFrameBytes); !refused.Ok()) {
        return refused;
    }
    const QByteArray frame = DataFrame(message);
    std::vector<ServerPeer*> overflowing;
    bool found = target == kAllPlayers || target == hostId_;
    for (const auto& [socket, peer] : peers_) {
        if (!peer->joined || (target != kAllPlayers && peer->id != target)) {
            continue;
        }
        found = true;
        if (!Write(peer.get(), frame)) {
            overflowing.push_back(peer.get());
        }
    }
    for (ServerPeer* peer : overflowing) {
        Drop(peer);
    }
    if (!found) {
        return Status::Failure(ErrorCode::InvalidParameter, "No player " + std::to_string(target));
    }
    return Status::Success();
}

Status SessionServer::GetLocalHostAddresses(std::uint32_t /*flags*/,
                                            SessionAddress& address) const {
    if (!listener_) {
        return Status::Failure(ErrorCode::NotReady, "The session is not open");
    }
    const QString host = PreferredHostAddress(QNetworkInterface::allAddresses());
    address = SessionAddress{};
    address.SetSP(kProviderTcpIp);
    address.AddComponentString("hostname", host.toStdString());
    address.AddComponentLong("port", Port());
    return Status::Success();
}

void SessionServer::CancelAsyncOperation(int /*handle*/, std::uint32_t /*flags*/) {
    // Sends complete as soon as they are queued on their sockets; nothing else is pending.
}

void SessionServer::Close(std::uint32_t /*flags*/) {
    heartbeat_.stop();
    hostReported_ = true;
    if (listener_) {
        listener_->close();
        listener_.reset();
    }
    for (auto& [socket, peer] : peers_) {
        peer->Release();
        dropped_.push_back(std::move(peer));
    }
    peers_.clear();
    QMetaObject::invokeMethod(this, &SessionServer::BuryDropped, Qt::QueuedConnection);
}

bool SessionServer::IsHosting() const {
    return listener_ != nullptr;
}

std::uint16_t SessionServer::Port() const {
    return listener_ ? listener_->serverPort() : 0;
}

int SessionServer::PlayerCount() const {
    int count = 0;
    for (const auto& [socket, peer] : peers_) {
        count += peer->joined ? 1 : 0;
    }
    return count;
}

void SessionServer::OnNewConnection() {
    while (listener_ && listener_->hasPendingConnections()) {
        QTcpSocket* socket = listener_->nextPendingConnection();
        socket->setParent(nullptr);
        int handshaking = 0;
        for (const auto& [s, peer] : peers_) {
            handshaking += peer->joined ? 0 : 1;
        }
        if (handshaking >= limits_.maxHandshakingPeers) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        TuneSocket(*socket);
        auto peer = std::make_unique<ServerPeer>(socket, limits_.maxHandshakeFrameBytes);
        ServerPeer* raw = peer.get();
        peers_.emplace(socket, std::move(peer));
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] { OnReadyRead(raw); });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] { Drop(raw); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, raw] { Drop(raw); });
        if (socket->bytesAvailable() > 0) {
            OnReadyRead(raw);
        }
    }
}

void SessionServer::OnReadyRead(ServerPeer* peer) {
    QTcpSocket* socket = peer->socket;
    const auto alive = [this, socket] { return socket != nullptr && peers_.count(socket) > 0; };
    while (alive() && PumpSocket(*socket, peer->parser)) {
        peer->sinceReceived.restart();
        while (auto frame = peer->parser.Next()) {
            if (!HandleFrame(peer, static_cast<std::uint8_t>(frame->kind), frame->payload)) {
                Drop(peer);
                return;
            }
            if (!alive()) {
                return;  // a handler dropped this player or closed the session
            }
        }
        if (peer->parser.Failed()) {
            Drop(peer);
            return;
        }
    }
}

bool SessionServer::HandleFrame(ServerPeer* peer, std::uint8_t kind, ByteView payload) {
    switch (static_cast<FrameKind>(kind)) {
        case FrameKind::KeepAlive:
            return true;
        case FrameKind::Hello:
            return !peer->joined && HandleHello(peer, payload);
        case FrameKind::Data:
            if (!peer->joined) {
                return false;
            }
            if (handler_ != nullptr && !payload.empty()) {
                handler_->Receive(peer->id, payload);
            }
            return true;
        default:
            return false;
    }
}

bool SessionServer::HandleHello(ServerPeer* peer, ByteView payload) {
    const auto hello = DecodeHello(payload);
    if (!hello || hello->version != kProtocolVersion) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::BadHandshake),
               "The server speaks another version of the protocol");
        return true;
    }
    if (hello->applicationId != desc_.applicationId) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::WrongApplication),
               "The server at this address hosts another application");
        return true;
    }
    if (hello->name.size() > limits_.maxNameBytes) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::NameTooLong),
               "The player name is longer than " + std::to_string(limits_.maxNameBytes) + " bytes");
        return true;
    }
    if (PlayerCount() + 1 >= desc_.maxPlayers) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::SessionFull),
               "The session is full (" + std::to_string(desc_.maxPlayers) +
                   " players, the server's own included)");
        return true;
    }
    if (nextId_ == std::numeric_limits<PlayerId>::max()) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::NoIdentifiersLeft),
               "The server has run out of player identifiers");
        return true;
    }
    peer->joined = true;
    peer->id = nextId_++;
    peer->name = hello->name;
    peer->parser.SetMaxBodyBytes(limits_.maxFrameBytes);
    const Buffer welcome = EncodeWelcome(peer->id);
    if (!Write(peer, FrameBytes(FrameKind::Welcome, welcome))) {
        return false;
    }
    // The host's own player is always reported first, even if this client was quicker than
    // the queued report.
    ReportHost();
    if (handler_ != nullptr && peers_.count(peer->socket) > 0) {
        handler_->CreatePlayer(peer->id);
    }
    return true;
}

void SessionServer::Refuse(ServerPeer* peer, std::uint8_t reason, const std::string& text) {
    QTcpSocket* socket = peer->socket;
    const Buffer refusal = EncodeRefusal(Refusal{static_cast<RefuseReason>(reason), text});
    socket->write(FrameBytes(FrameKind::Refuse, refusal));
    // The socket lives on by itself until the refusal is out, then closes.
    QObject::disconnect(socket, nullptr, this, nullptr);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(limits_.handshakeTimeoutMs, socket, [socket] { socket->abort(); });
    peer->socket = nullptr;
    auto it = peers_.find(socket);
    dropped_.push_back(std::move(it->second));
    peers_.erase(it);
    socket->disconnectFromHost();
    QMetaObject::invokeMethod(this, &SessionServer::BuryDropped, Qt::QueuedConnection);
}

bool SessionServer::Write(ServerPeer* peer, const QByteArray& frame) {
    QTcpSocket* socket = peer->socket;
    if (socket == nullptr || static_cast<std::size_t>(socket->bytesToWrite()) +
                                     peer->unsent.size() + static_cast<std::size_t>(frame.size()) >
                                 limits_.maxPendingWriteBytes) {
        return false;  // a peer that stops reading must not grow our memory
    }
    if (peer->unsent.empty()) {
        // The first frame for this player in this turn: make sure a flush is coming.
        if (!flush_.isActive()) {
            flush_.start();
        }
        peer->sinceSent.restart();
    }
    peer->unsent.insert(peer->unsent.end(), frame.begin(), frame.end());
    return true;
}

void SessionServer::Heartbeat() {
    std::vector<ServerPeer*> stale;
    static const QByteArray keepAlive = FrameBytes(FrameKind::KeepAlive, {});
    for (const auto& [socket, peer] : peers_) {
        if (!peer->joined) {
            if (peer->sinceConnected.elapsed() > limits_.handshakeTimeoutMs) {
                stale.push_back(peer.get());
            }
        } else if (peer->sinceReceived.elapsed() > limits_.peerTimeoutMs) {
            stale.push_back(peer.get());
        } else if (peer->sinceSent.elapsed() >= limits_.heartbeatIntervalMs &&
                   !Write(peer.get(), keepAlive)) {
            stale.push_back(peer.get());
        }
    }
    for (ServerPeer* peer : stale) {
        Drop(peer);
    }
}

void SessionServer::Drop(ServerPeer* peer) {
    auto it = peers_.find(peer->socket);
    if (peer->socket == nullptr || it == peers_.end()) {
        return;
    }
    const bool joined = peer->joined;
    const PlayerId id = peer->id;
    peer->Release();
    dropped_.push_back(std::move(it->second));
    peers_.erase(it);
    QMetaObject::invokeMethod(this, &SessionServer::BuryDropped, Qt::QueuedConnection);
    if (joined) {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                if (handler_ != nullptr && listener_) {
                    handler_->DestroyPlayer(id);
                }
            },
            Qt::QueuedConnection);
    }
}

void SessionServer::BuryDropped() {
    dropped_.clear();
}

}  // namespace quorvex::session

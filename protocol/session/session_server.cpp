#include "protocol/session/session_server.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QScopedValueRollback>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <limits>

#include "protocol/session/frame.h"
#include "protocol/session/password.h"
#include "protocol/session/qt_frames.h"
#include "protocol/session/rate_budget.h"

namespace quorvex::session {

class ServerPeer {
  public:
    ServerPeer(QTcpSocket* s, const Limits& limits)
        : socket(s),
          parser(limits.maxHandshakeFrameBytes),
          messages(limits.messagesPerSecond, limits.messageBurst),
          bytes(limits.bytesPerSecond, limits.byteBurst) {
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
    // Frames waiting for the next flush; they leave together in one write. Cleared, not
    // freed, so a busy player costs no allocation per message.
    Buffer unsent;
    // What Qt still held of our writes at the last hand-over: never less than it holds now,
    // as only our own writes add to it, so the bound is checked without asking per frame.
    std::size_t heldByQt = 0;
    bool joined = false;
    PlayerId id = 0;
    std::string name;
    // The nonce of the Challenge this peer was sent; empty until then and after its Answer.
    Buffer nonce;
    QElapsedTimer sinceConnected;
    QElapsedTimer sinceReceived;
    QElapsedTimer sinceSent;
    QHostAddress address;
    RateBudget messages;
    RateBudget bytes;
    DropTally dropped;
};

namespace {

// A player's queue keeps up to this much room between flushes; a burst's larger queue is
// given back, so that a quiet player holds no more than this.
constexpr std::size_t kKeptQueueBytes = 16 * 1024;

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
    clock_.start();
    heartbeat_.setInterval(std::max(10, std::min(limits_.heartbeatIntervalMs, 500)));
    connect(&heartbeat_, &QTimer::timeout, this, &SessionServer::Heartbeat);
    // Queued frames leave together, one write per player. A timer bounds their wait; frames
    // due at once go just before the event loop next waits, and through the zero-interval
    // timer in loops that never wait (processEvents without WaitForMoreEvents). Scheduling a
    // timer, unlike posting a call, needs no wake-up of the loop.
    flush_.setSingleShot(true);
    flush_.setTimerType(Qt::PreciseTimer);
    connect(&flush_, &QTimer::timeout, this, &SessionServer::Flush);
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (flushSoon_) {
                Flush();
            }
        });
    }
    sinceFlush_.start();
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
    // Encoded once, copied into each player's queue.
    outgoing_.clear();
    AppendFrame(outgoing_, FrameKind::Data, message);
    std::vector<ServerPeer*> overflowing;
    bool found = target == kAllPlayers || target == hostId_;
    for (const auto& [socket, peer] : peers_) {
        if (!peer->joined || (target != kAllPlayers && peer->id != target)) {
            continue;
        }
        found = true;
        if (!Write(peer.get(), outgoing_)) {
            overflowing.push_back(peer.get());
        }
    }
    ClearKeeping(outgoing_, kKeptQueueBytes);
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
    flush_.stop();
    queued_ = false;
    flushSoon_ = false;
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
        const QHostAddress from = socket->peerAddress();
        int handshaking = 0;
        int fromThere = 0;
        for (const auto& [s, peer] : peers_) {
            handshaking += peer->joined ? 0 : 1;
            fromThere += !peer->joined && peer->address.isEqual(from) ? 1 : 0;
        }
        const bool crowded = handshaking >= limits_.handshakingBeforeAddressCap &&
                             fromThere >= limits_.maxHandshakingPerAddress;
        if (handshaking >= limits_.maxHandshakingPeers || crowded) {
            if (crowded) {
                Notice("Turned away a connection from " + from.toString().toStdString() + ": " +
                       std::to_string(fromThere) + " of its connections are shaking hands");
            }
            socket->abort();
            socket->deleteLater();
            continue;
        }
        TuneSocket(*socket);
        auto peer = std::make_unique<ServerPeer>(socket, limits_);
        peer->address = from;
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
    const QScopedValueRollback<bool> answering(answering_, true);
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
    if (peer->joined) {
        switch (Budget(peer, 1 + payload.size())) {
            case Spent::Within:
                break;
            case Spent::Over:
                return true;
            case Spent::FarOver:
                return false;
        }
    }
    switch (static_cast<FrameKind>(kind)) {
        case FrameKind::KeepAlive:
            return true;
        case FrameKind::Hello:
            return !peer->joined && peer->nonce.empty() && HandleHello(peer, payload);
        case FrameKind::Answer:
            return !peer->joined && HandleAnswer(peer, payload);
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
    if (!hello) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::BadHandshake),
               "The server could not read the greeting: it is malformed");
        return true;
    }
    if (hello->version != kProtocolVersion) {
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
    peer->name = hello->name;
    if (!password_.empty()) {
        if (RefusedAsFull(peer)) {
            return true;
        }
        peer->nonce = NewNonce();
        return Write(peer, MakeFrame(FrameKind::Challenge, peer->nonce));
    }
    return Admit(peer);
}

bool SessionServer::HandleAnswer(ServerPeer* peer, ByteView payload) {
    // One answer per connection, and only to a challenge sent on it.
    if (peer->nonce.empty()) {
        return false;
    }
    const auto proof = DecodeProof(payload);
    const Buffer expected = PasswordProof(password_, peer->nonce);
    peer->nonce.clear();
    if (!proof || password_.empty() || !SameProof(*proof, expected)) {
        Notice("Refused a connection from " + peer->address.toString().toStdString() +
               ": wrong password");
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::WrongPassword),
               "The password is wrong");
        return true;
    }
    return Admit(peer);
}

bool SessionServer::RefusedAsFull(ServerPeer* peer) {
    if (PlayerCount() + 1 < desc_.maxPlayers) {
        return false;
    }
    Refuse(peer, static_cast<std::uint8_t>(RefuseReason::SessionFull),
           "The session is full (" + std::to_string(desc_.maxPlayers) +
               " players, the server's own included)");
    return true;
}

bool SessionServer::Admit(ServerPeer* peer) {
    // Checked before a challenge too, and again here: others may have joined meanwhile.
    if (RefusedAsFull(peer)) {
        return true;
    }
    if (handler_ != nullptr && !handler_->AdmitPlayer(peer->name)) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::SessionFull),
               "The session is full (its player list has no room for another name)");
        return true;
    }
    if (nextId_ == std::numeric_limits<PlayerId>::max()) {
        Refuse(peer, static_cast<std::uint8_t>(RefuseReason::NoIdentifiersLeft),
               "The server has run out of player identifiers");
        return true;
    }
    peer->joined = true;
    peer->id = nextId_++;
    peer->parser.SetMaxBodyBytes(
        std::min(limits_.maxFrameBytes, limits_.maxPlayerMessageBytes + 1));
    const Buffer welcome = EncodeWelcome(peer->id);
    if (!Write(peer, MakeFrame(FrameKind::Welcome, welcome))) {
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

SessionServer::Spent SessionServer::Budget(ServerPeer* peer, std::size_t frameBytes) {
    const std::int64_t now = clock_.elapsed();
    // Both budgets are charged, so that what is owed on one counts even while the other fits.
    const bool countFits = peer->messages.Spend(now);
    const bool sizeFits = peer->bytes.Spend(now, static_cast<double>(frameBytes));
    if (peer->messages.FarOver() || peer->bytes.FarOver()) {
        Notice("Disconnected player " + std::to_string(peer->id) +
               ": far over its sending limits after " + std::to_string(peer->dropped.Total()) +
               " dropped messages");
        return Spent::FarOver;
    }
    if (countFits && sizeFits) {
        return Spent::Within;
    }
    if (peer->dropped.Count(now)) {
        Notice("Dropped " + std::to_string(peer->dropped.Take()) + " messages from player " +
               std::to_string(peer->id) + ": over its sending limits");
    }
    return Spent::Over;
}

void SessionServer::Notice(const std::string& text) {
    if (notice_) {
        notice_(text);
    }
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

bool SessionServer::Write(ServerPeer* peer, ByteView frame) {
    QTcpSocket* socket = peer->socket;
    if (socket == nullptr) {
        return false;
    }
    const auto overBound = [&] {
        return peer->heldByQt + peer->unsent.size() + frame.size() > limits_.maxPendingWriteBytes;
    };
    if (overBound()) {
        peer->heldByQt = static_cast<std::size_t>(socket->bytesToWrite());
        if (overBound()) {
            return false;  // a peer that stops reading must not grow our memory
        }
    }
    if (peer->unsent.empty()) {
        peer->sinceSent.restart();
    }
    peer->unsent.insert(peer->unsent.end(), frame.begin(), frame.end());
    if (limits_.writeCoalesceMs <= 0) {
        HandOver(*peer);
    } else {
        ScheduleFlush(!answering_);
    }
    return true;
}

// A frame that answers incoming traffic waits for the window since the last flush to close,
// so a player gets at most one write per window however many relays reach it; anything else
// (a ball step, a kick) leaves when its event is done, and takes the waiting frames along.
void SessionServer::ScheduleFlush(bool urgent) {
    if (flushSoon_) {
        return;
    }
    if (!urgent && queued_) {
        return;  // the flush is already timed
    }
    // Whole milliseconds since the flush, rounded up, so that the wait never overshoots.
    const qint64 since = (sinceFlush_.nsecsElapsed() + 999'999) / 1'000'000;
    const auto wait = urgent ? 0 : std::max<qint64>(0, limits_.writeCoalesceMs - since);
    queued_ = true;
    flushSoon_ = wait == 0;
    flush_.start(static_cast<int>(wait));
}

void SessionServer::Flush() {
    flush_.stop();
    if (!queued_) {
        return;
    }
    queued_ = false;
    flushSoon_ = false;
    sinceFlush_.restart();
    for (const auto& [socket, peer] : peers_) {
        if (!peer->unsent.empty()) {
            HandOver(*peer);
        }
    }
    emit Flushed();
}

void SessionServer::HandOver(ServerPeer& peer) {
    peer.heldByQt = WriteNow(*peer.socket, reinterpret_cast<const char*>(peer.unsent.data()),
                             peer.unsent.size());
    ++kernelWrites_;
    ClearKeeping(peer.unsent, kKeptQueueBytes);
}

void SessionServer::Heartbeat() {
    static const Buffer keepAlive = MakeFrame(FrameKind::KeepAlive, {});
    std::vector<ServerPeer*> stale;
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

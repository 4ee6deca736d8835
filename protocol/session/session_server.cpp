#include "protocol/session/session_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QNetworkInterface>
#include <QScopedValueRollback>
#include <QTcpServer>

#include <algorithm>
#include <limits>

#include "protocol/session/connection.h"
#include "protocol/session/epoll_set.h"
#include "protocol/session/password.h"
#include "protocol/session/qt_address_key.h"
#include "protocol/session/rate_budget.h"
#include "protocol/session/refusals.h"

namespace quorvex::session {

// Takes each new connection as a bare descriptor: a Connection reads it, not a Qt socket.
class Listener : public QTcpServer {
  public:
    explicit Listener(std::function<void(int)> incoming) : incoming_(std::move(incoming)) {}

  protected:
    void incomingConnection(qintptr descriptor) override {
        incoming_(static_cast<int>(descriptor));
    }

  private:
    std::function<void(int)> incoming_;
};

struct ServerPeer {
    ServerPeer(const Limits& limits, QHostAddress from, HalfOpenSlot slot)
        : address(std::move(from)),
          key(KeyOf(address)),
          halfOpen(std::move(slot)),
          messages(limits.messagesPerSecond, limits.messageBurst),
          bytes(limits.bytesPerSecond, limits.byteBurst) {}

    Connection* link = nullptr;  // a child of the server; it ends itself once closed
    QHostAddress address;
    AddressKey key;
    // Its place among the connections shaking hands, given back when it joins or goes.
    HalfOpenSlot halfOpen;
    bool joined = false;
    bool dropped = false;
    // Its Hello asked for a resume ticket: it is handed one, and told when it is gone for good.
    bool resumable = false;
    // Its player came back on a newer connection: this one ends without the player leaving.
    bool superseded = false;
    PlayerId id = 0;
    std::string name;
    // The nonce of the Challenge this peer was sent; empty until then and after its Answer.
    Buffer nonce;
    // The nonce its Hello carried (empty from a client that predates it): its Answer proves
    // both.
    Buffer clientNonce;
    RateBudget messages;
    RateBudget bytes;
    DropTally droppedFrames;
};

namespace {

QHostAddress PeerAddressOf(int descriptor) {
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&storage), &size) != 0) {
        return {};
    }
    return QHostAddress(reinterpret_cast<const sockaddr*>(&storage));
}

// A broadcast's frame is built here; a burst's larger one is given back afterwards.
constexpr std::size_t kKeptFrameBytes = 16 * 1024;

// The first connections have socket notifiers of their own: a message costs one system call
// less than through the epoll set. Beyond them connections share the set, so that the event
// loop never polls more than these descriptors and the set's, however many players there are.
constexpr std::size_t kOwnNotifiers = 8;

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
    const ResumeToken random = NewResumeToken();
    for (std::size_t i = 0; i < sizeof instance_; ++i) {
        instance_ = (instance_ << 8) | random[i];
    }
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
    Close();
}

Status SessionServer::Host(const ApplicationDesc& desc, const SessionAddress& address) {
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
    auto listener = std::make_unique<Listener>([this](int descriptor) { OnIncoming(descriptor); });
    if (!listener->listen(QHostAddress::Any, static_cast<quint16>(*port))) {
        return Status::Failure(ErrorCode::PortUnavailable,
                               "Could not open TCP port " + std::to_string(*port) + ": " +
                                   listener->errorString().toStdString());
    }
    listener_ = std::move(listener);
    if (!sockets_) {
        sockets_ = std::make_unique<EpollSet>();
    }
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
        info = PlayerInfo{desc_.sessionName};
        return Status::Success();
    }
    for (const auto& peer : peers_) {
        if (peer->joined && peer->id == id) {
            info = PlayerInfo{peer->name};
            return Status::Success();
        }
    }
    return Status::Failure(ErrorCode::InvalidParameter, "No player " + std::to_string(id));
}

Status SessionServer::SendTo(PlayerId target, ByteView message) {
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
    for (const auto& peer : peers_) {
        if (!peer->joined || (target != kAllPlayers && peer->id != target)) {
            continue;
        }
        found = true;
        ++counters_.messagesOut;
        counters_.bytesOut += outgoing_.size();
        if (!Write(*peer, outgoing_)) {
            overflowing.push_back(peer.get());
        }
    }
    ClearKeeping(outgoing_, kKeptFrameBytes);
    for (ServerPeer* peer : overflowing) {
        Drop(*peer, Ending::AtOnce);
    }
    if (!found) {
        return Status::Failure(ErrorCode::InvalidParameter, "No player " + std::to_string(target));
    }
    return Status::Success();
}

Status SessionServer::GetLocalHostAddresses(SessionAddress& address) const {
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

void SessionServer::Close() {
    heartbeat_.stop();
    flush_.stop();
    queued_ = false;
    flushSoon_ = false;
    hostReported_ = true;
    listener_.reset();
    // Players who could come back are told not to try: there is nothing to come back to.
    static const Buffer closing =
        MakeFrame(FrameKind::Refuse, EncodeRefusal(ResumeRefusal("the server has closed")));
    for (auto& peer : peers_) {
        if (peer->joined && peer->resumable && !peer->dropped && peer->link->Queue(closing)) {
            peer->link->HandOver();
        }
    }
    // Connections still sending their last frames end too.
    for (Connection* link : findChildren<Connection*>(Qt::FindDirectChildrenOnly)) {
        link->Abort();
    }
    for (auto& peer : peers_) {
        peer->dropped = true;
        dropped_.push_back(std::move(peer));
    }
    peers_.clear();
    QMetaObject::invokeMethod(
        this, [this] { dropped_.clear(); }, Qt::QueuedConnection);
}

bool SessionServer::IsHosting() const {
    return listener_ != nullptr;
}

std::uint16_t SessionServer::Port() const {
    return listener_ ? listener_->serverPort() : 0;
}

int SessionServer::PlayerCount() const {
    return static_cast<int>(std::ranges::count_if(peers_, [](auto& p) { return p->joined; }));
}

void SessionServer::OnIncoming(int descriptor) {
    const QHostAddress from = PeerAddressOf(descriptor);
    auto opened = admission_.Connected(KeyOf(from), clock_.elapsed());
    Notice(opened.decision.notice);
    if (opened.decision.refusal) {
        TurnAway(descriptor, *opened.decision.refusal);
        return;
    }
    auto peer = std::make_unique<ServerPeer>(limits_, from, std::move(opened.slot));
    ServerPeer* raw = peer.get();
    const auto onFrame = [this, raw](FrameKind kind, ByteView payload) {
        const QScopedValueRollback<bool> answering(answering_, true);
        if (!HandleFrame(*raw, kind, payload)) {
            Drop(*raw);
        }
    };
    raw->link = new Connection(
        descriptor, limits_, limits_.maxHandshakeFrameBytes,
        peers_.size() < kOwnNotifiers ? nullptr : sockets_.get(), onFrame,
        [this, raw] { Drop(*raw); }, this);
    peers_.push_back(std::move(peer));
}

bool SessionServer::HandleFrame(ServerPeer& peer, FrameKind kind, ByteView payload) {
    if (peer.joined) {
        switch (Budget(peer, 1 + payload.size())) {
            case Spent::Within:
                break;
            case Spent::Over:
                ++counters_.framesDropped;
                return true;
            case Spent::FarOver:
                return false;
        }
    }
    switch (kind) {
        case FrameKind::KeepAlive:
            return true;
        case FrameKind::Hello:
            return !peer.joined && peer.nonce.empty() && HandleHello(peer, payload);
        case FrameKind::Answer:
            return !peer.joined && HandleAnswer(peer, payload);
        case FrameKind::Data:
            if (!peer.joined) {
                return false;
            }
            ++counters_.messagesIn;
            counters_.bytesIn += payload.size();
            if (handler_ != nullptr && !payload.empty()) {
                handler_->Receive(peer.id, payload);
            }
            return true;
        default:
            return false;
    }
}

bool SessionServer::HandleHello(ServerPeer& peer, ByteView payload) {
    const auto hello = DecodeHello(payload);
    if (!hello) {
        Refuse(peer, RefuseReason::BadHandshake,
               "The server could not read the greeting: it is malformed");
        return true;
    }
    if (hello->version != kProtocolVersion) {
        Refuse(peer, RefuseReason::BadHandshake,
               "The server speaks another version of the protocol");
        return true;
    }
    if (hello->applicationId != desc_.applicationId) {
        Refuse(peer, RefuseReason::WrongApplication,
               "The server at this address hosts another application");
        return true;
    }
    if (hello->name.size() > limits_.maxNameBytes) {
        Refuse(peer, RefuseReason::NameTooLong,
               "The player name is longer than " + std::to_string(limits_.maxNameBytes) + " bytes");
        return true;
    }
    peer.name = hello->name;
    peer.resumable = hello->resumable;
    if (hello->resume) {
        return HandleResume(peer, *hello);
    }
    if (RefusedBy(peer,
                  admission_.Greeted(peer.key, hello->name, !password_.empty(), clock_.elapsed(),
                                     QDateTime::currentMSecsSinceEpoch()))) {
        return true;
    }
    if (!password_.empty()) {
        if (RefusedAsFull(peer)) {
            return true;
        }
        peer.clientNonce = hello->clientNonce;
        auto challenge = MakeChallenge(password_, hello->clientNonce, NewNonce());
        peer.nonce = challenge.nonce;
        return Write(peer, MakeFrame(FrameKind::Challenge, EncodeChallenge(challenge)));
    }
    return Admit(peer);
}

bool SessionServer::HandleAnswer(ServerPeer& peer, ByteView payload) {
    // One answer per connection, and only to a challenge sent on it.
    if (peer.nonce.empty()) {
        return false;
    }
    const std::int64_t now = clock_.elapsed();
    // A locked-out address's answer is not even checked, so guessing there learns nothing.
    if (RefusedBy(peer, admission_.Answering(peer.key, now))) {
        return true;
    }
    const auto proof = DecodeProof(payload);
    const bool right = proof && !password_.empty() &&
                       SameProof(*proof, ExpectedAnswer(password_, peer.clientNonce, peer.nonce));
    peer.nonce.clear();
    if (RefusedBy(peer, admission_.Answered(peer.key, right, now))) {
        return true;
    }
    return Admit(peer);
}

bool SessionServer::RefusedAsFull(ServerPeer& peer) {
    if (PlayerCount() + 1 < desc_.maxPlayers) {
        return false;
    }
    Refuse(peer, RefuseReason::SessionFull,
           "The session is full (" + std::to_string(desc_.maxPlayers) +
               " players, the server's own included)");
    return true;
}

bool SessionServer::Admit(ServerPeer& peer) {
    // Checked before a challenge too, and again here: others may have joined meanwhile.
    if (RefusedAsFull(peer)) {
        return true;
    }
    // Counted before the game is asked: the game may make room by removing a lost player.
    if (RefusedBy(peer, admission_.Joining(peer.key, clock_.elapsed()))) {
        return true;
    }
    if (handler_ != nullptr && !handler_->AdmitPlayer(peer.name)) {
        Refuse(peer, RefuseReason::SessionFull,
               "The session is full (its player list has no room for another name)");
        return true;
    }
    if (nextId_ == std::numeric_limits<PlayerId>::max()) {
        Refuse(peer, RefuseReason::NoIdentifiersLeft,
               "The server has run out of player identifiers");
        return true;
    }
    if (!Join(peer, nextId_++)) {
        return false;
    }
    // The host's own player is always reported first, even if this client was quicker than
    // the queued report.
    ReportHost();
    if (handler_ != nullptr && !peer.dropped) {
        handler_->CreatePlayer(peer.id);
    }
    return true;
}

bool SessionServer::Join(ServerPeer& peer, PlayerId id) {
    peer.halfOpen.Release();
    peer.joined = true;
    peer.id = id;
    peer.link->SetMaxBodyBytes(std::min(limits_.maxFrameBytes, limits_.maxPlayerMessageBytes + 1));
    Welcome welcome{id, std::nullopt};
    if (peer.resumable && tokens_.Enabled()) {
        welcome.ticket = ResumeTicket{instance_, static_cast<std::uint32_t>(tokens_.GraceMs()),
                                      tokens_.Issue(id)};
    }
    return Write(peer, MakeFrame(FrameKind::Welcome, EncodeWelcome(welcome)));
}

// A token is worth as much as a password to whoever guesses it, so every refused one counts
// towards the address's lockout; a resume never counts as a join, as nobody is added.
bool SessionServer::HandleResume(ServerPeer& peer, const Hello& hello) {
    const std::int64_t now = clock_.elapsed();
    if (RefusedBy(peer, admission_.Resuming(peer.key, hello.name, now,
                                            QDateTime::currentMSecsSinceEpoch()))) {
        return true;
    }
    std::string why;
    ResumeTokens::ClaimResult claim;
    if (hello.resume->instance != instance_) {
        why = "the server has restarted since";
    } else {
        claim = tokens_.Claim(hello.resume->token, now);
        switch (claim.verdict) {
            case ResumeTokens::Verdict::Granted:
                break;
            case ResumeTokens::Verdict::Unknown:
                why = "the token is unknown";
                break;
            case ResumeTokens::Verdict::Expired:
                why = "the time to come back has run out";
                break;
            case ResumeTokens::Verdict::Used:
                why = "the token was used already";
                break;
        }
    }
    if (!why.empty()) {
        RefusedBy(peer, admission_.ResumeRefused(peer.key, why, now));
        return true;
    }
    // Never two live connections for one player: the older one, however alive it looks, is
    // the one that lost track, and it goes without its player leaving the game.
    if (claim.stillConnected) {
        for (const auto& old : peers_) {
            if (old->joined && old->id == claim.id && old.get() != &peer) {
                old->superseded = true;
                Drop(*old, Ending::AtOnce);
                break;
            }
        }
    }
    if (!Join(peer, claim.id)) {
        return false;
    }
    // Queued behind the old connection's DestroyPlayer, if that is still on its way.
    QMetaObject::invokeMethod(
        this,
        [this, id = claim.id] {
            if (handler_ != nullptr && listener_) {
                handler_->ResumePlayer(id);
            }
        },
        Qt::QueuedConnection);
    return true;
}

SessionServer::Spent SessionServer::Budget(ServerPeer& peer, std::size_t frameBytes) {
    const std::int64_t now = clock_.elapsed();
    // Both budgets are charged, so that what is owed on one counts even while the other fits.
    const bool countFits = peer.messages.Spend(now);
    const bool sizeFits = peer.bytes.Spend(now, static_cast<double>(frameBytes));
    if (peer.messages.FarOver() || peer.bytes.FarOver()) {
        Notice("Disconnected player " + std::to_string(peer.id) +
               ": far over its sending limits after " + std::to_string(peer.droppedFrames.Total()) +
               " dropped messages");
        return Spent::FarOver;
    }
    if (countFits && sizeFits) {
        return Spent::Within;
    }
    if (peer.droppedFrames.Count(now)) {
        Notice("Dropped " + std::to_string(peer.droppedFrames.Take()) + " messages from player " +
               std::to_string(peer.id) + ": over its sending limits");
    }
    return Spent::Over;
}

void SessionServer::Notice(const std::string& text) {
    if (notice_ && !text.empty()) {
        notice_(text);
    }
}

void SessionServer::Refuse(ServerPeer& peer, RefuseReason reason, const std::string& text) {
    Refuse(peer, Refusal{reason, text});
}

void SessionServer::Refuse(ServerPeer& peer, const Refusal& refusal) {
    CountRefusal(refusal);
    peer.link->Queue(MakeFrame(FrameKind::Refuse, EncodeRefusal(refusal)));
    Drop(peer);
}

bool SessionServer::RefusedBy(ServerPeer& peer, const Admission::Decision& decision) {
    Notice(decision.notice);
    if (!decision.refusal) {
        return false;
    }
    Refuse(peer, *decision.refusal);
    return true;
}

void SessionServer::CountRefusal(const Refusal& refusal) {
    const auto reason = static_cast<std::size_t>(refusal.reason);
    ++counters_.refusals[reason < std::size(counters_.refusals) ? reason : 0];
}

void SessionServer::TurnAway(int descriptor, const Refusal& refusal) {
    CountRefusal(refusal);
    const auto ignore = [](FrameKind, ByteView) {};
    auto* link = new Connection(
        descriptor, limits_, limits_.maxHandshakeFrameBytes, sockets_.get(), ignore, [] {}, this);
    link->Queue(MakeFrame(FrameKind::Refuse, EncodeRefusal(refusal)));
    link->HandOver();
    link->CloseAfterSending();
}

bool SessionServer::DisconnectPlayer(PlayerId id) {
    tokens_.Forget(id);
    for (const auto& peer : peers_) {
        if (peer->joined && peer->id == id) {
            // A client that could come back hears that it may not, and shows the notice at once.
            if (peer->resumable) {
                peer->link->Queue(MakeFrame(
                    FrameKind::Refuse, EncodeRefusal(ResumeRefusal("the player was removed"))));
            }
            Drop(*peer);
            return true;
        }
    }
    return false;
}

std::optional<AddressKey> SessionServer::AddressOf(PlayerId id) const {
    for (const auto& peer : peers_) {
        if (peer->joined && peer->id == id) {
            return peer->key;
        }
    }
    return std::nullopt;
}

bool SessionServer::Write(ServerPeer& peer, ByteView frame) {
    if (!peer.link->Queue(frame)) {
        return false;
    }
    if (limits_.writeCoalesceMs <= 0) {
        HandOver(peer);
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
    for (const auto& peer : peers_) {
        if (peer->link->HasQueued()) {
            HandOver(*peer);
        }
    }
    emit Flushed();
}

void SessionServer::HandOver(ServerPeer& peer) {
    peer.link->HandOver();
    ++kernelWrites_;
}

void SessionServer::Heartbeat() {
    static const Buffer keepAlive = MakeFrame(FrameKind::KeepAlive, {});
    std::vector<ServerPeer*> stale;
    for (const auto& peer : peers_) {
        const Connection& link = *peer->link;
        if (!peer->joined
                ? link.MsOpen() > limits_.handshakeTimeoutMs
                : link.PeerSilent() || (link.KeepAliveDue() && !Write(*peer, keepAlive))) {
            stale.push_back(peer.get());
        }
    }
    for (ServerPeer* peer : stale) {
        Drop(*peer, Ending::AtOnce);
    }
}

// Whatever ends a connection, a player who had joined leaves the game as any dropped
// connection does, through DestroyPlayer; so the game never depends on how the peer's bytes
// happened to arrive.
void SessionServer::Drop(ServerPeer& peer, Ending ending) {
    if (peer.dropped) {
        return;
    }
    peer.dropped = true;
    peer.halfOpen.Release();
    if (ending == Ending::AtOnce) {
        peer.link->Abort();
    } else {
        peer.link->CloseAfterSending();
    }
    const auto it = std::ranges::find(peers_, &peer, &std::unique_ptr<ServerPeer>::get);
    if (dropped_.empty()) {
        QMetaObject::invokeMethod(
            this, [this] { dropped_.clear(); }, Qt::QueuedConnection);
    }
    dropped_.push_back(std::move(*it));
    peers_.erase(it);
    if (peer.joined && !peer.superseded) {
        tokens_.Lost(peer.id, clock_.elapsed());
        QMetaObject::invokeMethod(
            this,
            [this, id = peer.id] {
                if (handler_ != nullptr && listener_) {
                    handler_->DestroyPlayer(id);
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace quorvex::session

#include "protocol/session/session_client.h"

#include <unistd.h>

#include <QTcpSocket>

#include "protocol/session/connection.h"
#include "protocol/session/password.h"
#include "protocol/session/refusals.h"

namespace quorvex::session {
namespace {

// "[::1]" as in a URL is ::1 to the socket; a name or an IPv4 address passes as typed.
QString SocketHostName(const std::string& typed) {
    if (typed.size() > 2 && typed.front() == '[' && typed.back() == ']') {
        return QString::fromStdString(typed.substr(1, typed.size() - 2));
    }
    return QString::fromStdString(typed);
}

}  // namespace

SessionClient::SessionClient(Limits limits, QObject* parent) : QObject(parent), limits_(limits) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        CompleteConnect(Status::Failure(
            ErrorCode::TimedOut, "No answer from " + HostText() + " within " +
                                     std::to_string(limits_.connectTimeoutMs / 1000) + " seconds"));
    });
    heartbeat_.setInterval(std::max(10, std::min(limits_.heartbeatIntervalMs, 500)));
    connect(&heartbeat_, &QTimer::timeout, this, &SessionClient::Heartbeat);
}

SessionClient::~SessionClient() {
    Shutdown();
}

Status SessionClient::SetClientInfo(const PlayerInfo& info) {
    if (info.name.size() > limits_.maxNameBytes) {
        return Status::Failure(
            ErrorCode::NameTooLong,
            "The player name is longer than " + std::to_string(limits_.maxNameBytes) + " bytes");
    }
    info_ = info;
    return Status::Success();
}

Status SessionClient::Connect(const ApplicationDesc& desc, const SessionAddress& host) {
    if (state_ != State::Idle) {
        return Status::Failure(ErrorCode::InvalidParameter, "A connection was already started");
    }
    const auto name = host.String("hostname");
    const auto port = host.Long("port");
    if (host.Provider() != kProviderTcpIp || !name || !port || *port <= 0 || *port > 65535) {
        return Status::Failure(ErrorCode::InvalidParameter,
                               "The host address needs a host name and a port");
    }
    if (desc.applicationId.empty()) {
        return Status::Failure(ErrorCode::InvalidParameter, "No application identifier given");
    }
    desc_ = desc;
    hostName_ = *name;
    port_ = *port;
    auto* socket = new QTcpSocket(this);
    connecting_ = socket;
    connect(socket, &QTcpSocket::connected, this, &SessionClient::OnConnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &SessionClient::OnSocketError);
    state_ = State::Connecting;
    connectTimer_.start(limits_.connectTimeoutMs);
    socket->connectToHost(SocketHostName(hostName_), static_cast<quint16>(port_));
    return Status::Success();
}

Status SessionClient::Send(ByteView message) {
    if (state_ != State::Connected) {
        return Status::Failure(ErrorCode::NotReady, "Not connected to a server");
    }
    if (auto refused = CheckOutgoing(message, limits_.maxFrameBytes); !refused.Ok()) {
        return refused;
    }
    if (!Write(FrameKind::Data, message)) {
        // The caller is in the middle of its own event; the notice reaches it on the loop.
        Lose(Notice::Queued);
        return Status::Failure(ErrorCode::ConnectionLost, "The server stopped reading");
    }
    return Status::Success();
}

// At once: a player sends a few messages a second, and an answer must not wait.
bool SessionClient::Write(FrameKind kind, ByteView payload) {
    outgoing_.clear();
    AppendFrame(outgoing_, kind, payload);
    const bool queued = link_ && link_->Queue(outgoing_);
    if (queued) {
        link_->HandOver();
    }
    ClearKeeping(outgoing_, 64 * 1024);
    return queued;
}

void SessionClient::CancelAsyncOperation() {
    connectTimer_.stop();
}

void SessionClient::Close() {
    Shutdown();
}

void SessionClient::Shutdown() {
    state_ = State::Ended;
    connectTimer_.stop();
    heartbeat_.stop();
    if (connecting_) {
        QObject::disconnect(connecting_, nullptr, this, nullptr);
        connecting_->abort();
        connecting_->deleteLater();
    }
    if (link_) {
        link_->CloseAfterSending();
        link_ = nullptr;
    }
}

// The socket is handed to a Connection of its own (a duplicate of its descriptor, as a Qt
// socket closes its own when it goes); the Qt socket only made the connection.
void SessionClient::OnConnected() {
    if (state_ != State::Connecting || !connecting_) {
        return;
    }
    const int descriptor = ::dup(static_cast<int>(connecting_->socketDescriptor()));
    QObject::disconnect(connecting_, nullptr, this, nullptr);
    connecting_->abort();
    connecting_->deleteLater();
    if (descriptor < 0) {
        CompleteConnect(Status::Failure(ErrorCode::ConnectionRefused,
                                        "Could not reach " + HostText() + ": out of descriptors"));
        return;
    }
    link_ = new Connection(
        descriptor, limits_, limits_.maxHandshakeFrameBytes, nullptr,
        [this](FrameKind kind, ByteView payload) { HandleFrame(kind, payload); },
        [this] { OnLinkLost(); }, this);
    state_ = State::Handshaking;
    // A fresh nonce of ours on every greeting: a server asking for the password must prove
    // with it that it knows the password before we answer.
    clientNonce_ = NewNonce();
    Hello hello{kProtocolVersion, desc_.applicationId, info_.name, clientNonce_};
    hello.resumable = true;
    if (presented_) {
        hello.resume = Hello::Resume{presented_->instance, presented_->token};
    }
    Write(FrameKind::Hello, EncodeHello(hello));
}

void SessionClient::HandleFrame(FrameKind kind, ByteView payload) {
    if (state_ == State::Handshaking) {
        if (kind == FrameKind::Welcome) {
            if (const auto welcome = DecodeWelcomeTicket(payload)) {
                localId_ = welcome->id;
                ticket_ = welcome->ticket;
                link_->SetMaxBodyBytes(limits_.maxFrameBytes);
                CompleteConnect(Status::Success());
                return;
            }
        } else if (kind == FrameKind::Refuse) {
            if (const auto refusal = DecodeRefusal(payload)) {
                CompleteConnect(StatusOfRefusal(*refusal));
                return;
            }
        } else if (kind == FrameKind::KeepAlive) {
            return;
        } else if (kind == FrameKind::Challenge && !answered_) {
            if (const auto challenge = DecodeChallenge(payload)) {
                Answer(*challenge);
                return;
            }
        }
        CompleteConnect(NotAQuorvexServer());
        return;
    }
    switch (kind) {
        case FrameKind::Data:
            if (handler_ != nullptr && !payload.empty()) {
                handler_->Receive(kAllPlayers, payload);
            }
            return;
        case FrameKind::KeepAlive:
            return;
        case FrameKind::Refuse:
            endedForGood_ = true;
            Lose();
            return;
        default:
            Lose();
            return;
    }
}

void SessionClient::Answer(const Challenge& challenge) {
    answered_ = true;
    if (!password_) {
        CompleteConnect(Status::Failure(ErrorCode::PasswordRequired,
                                        "The server at " + HostText() + " asks for a password"));
        return;
    }
    // A server that cannot prove the password gets no answer: it could test guesses against
    // one offline.
    const ChallengeCheck check = CheckChallenge(*password_, clientNonce_, challenge);
    if (check != ChallengeCheck::Proven) {
        CompleteConnect(UnprovenServerStatus(check == ChallengeCheck::ProofMissing, HostText()));
        return;
    }
    Write(FrameKind::Answer, ClientProof(*password_, clientNonce_, challenge.nonce));
}

void SessionClient::OnSocketError() {
    if (state_ != State::Connecting || !connecting_) {
        return;
    }
    const auto error = connecting_->error();
    const std::string where = HostText();
    if (error == QAbstractSocket::HostNotFoundError) {
        CompleteConnect(Status::Failure(ErrorCode::HostNotFound,
                                        "The host \"" + hostName_ + "\" could not be found"));
    } else if (error == QAbstractSocket::ConnectionRefusedError) {
        nothingListening_ = true;
        CompleteConnect(Status::Failure(ErrorCode::ConnectionRefused,
                                        "No Quorvex server is running at " + where));
    } else if (error == QAbstractSocket::SocketTimeoutError) {
        CompleteConnect(Status::Failure(ErrorCode::TimedOut, "No answer from " + where));
    } else {
        CompleteConnect(Status::Failure(
            ErrorCode::ConnectionRefused,
            "Could not reach " + where + ": " + connecting_->errorString().toStdString()));
    }
}

void SessionClient::OnLinkLost() {
    if (state_ == State::Connected) {
        Lose();
    } else if (state_ == State::Handshaking) {
        CompleteConnect(link_->Malformed()
                            ? NotAQuorvexServer()
                            : Status::Failure(ErrorCode::WrongApplication,
                                              "The server at " + HostText() +
                                                  " closed the connection: not a Quorvex server?"));
    }
}

void SessionClient::GatherReads(int intervalMs) {
    gatherMs_ = intervalMs;
    if (state_ == State::Connected && link_) {
        link_->GatherReads(gatherMs_);
    }
}

void SessionClient::ReadNow() {
    if (state_ == State::Connected && link_) {
        link_->ReadNow();
    }
}

void SessionClient::Heartbeat() {
    if (state_ != State::Connected) {
        return;
    }
    if (link_->PeerSilent() || (link_->KeepAliveDue() && !Write(FrameKind::KeepAlive, {}))) {
        Lose();
    }
}

void SessionClient::CompleteConnect(const Status& result) {
    if (state_ != State::Connecting && state_ != State::Handshaking) {
        return;
    }
    connectTimer_.stop();
    if (result.Ok()) {
        state_ = State::Connected;
        heartbeat_.start();
        link_->GatherReads(gatherMs_);
    } else {
        Shutdown();
    }
    if (handler_ != nullptr) {
        handler_->ConnectComplete(result);
    }
}

void SessionClient::Lose(Notice notice) {
    if (state_ != State::Connected) {
        return;
    }
    Shutdown();
    state_ = State::Lost;
    const auto notify = [this] {
        // Not after the caller closed the session itself in the meantime.
        if (state_ == State::Lost && handler_ != nullptr) {
            handler_->TerminateSession();
        }
    };
    if (notice == Notice::Queued) {
        QMetaObject::invokeMethod(this, notify, Qt::QueuedConnection);
    } else {
        notify();
    }
}

std::string SessionClient::HostText() const {
    return hostName_ + " (port " + std::to_string(port_) + ")";
}

Status SessionClient::NotAQuorvexServer() const {
    return Status::Failure(ErrorCode::WrongApplication,
                           "The server at " + HostText() + " is not a Quorvex server");
}

Status ConnectScripted(SessionClient& client, const std::string& name, const std::string& hostName,
                       std::int32_t port, const std::string& applicationId) {
    if (const auto status = client.SetClientInfo({name}); !status.Ok()) {
        return status;
    }
    SessionAddress host;
    host.SetSP(kProviderTcpIp);
    host.AddComponentString("hostname", hostName);
    host.AddComponentLong("port", port);
    ApplicationDesc desc;
    desc.applicationId = applicationId;
    return client.Connect(desc, host);
}

}  // namespace quorvex::session

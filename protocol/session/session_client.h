#pragma once

// The player's end of the session service: it connects to the server, shakes hands (answering
// a password challenge), then carries messages over one Connection, with keep-alive, and
// reports on the Qt event loop.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>
#include <string>

#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_types.h"

class QTcpSocket;

namespace quorvex::session {

class Connection;

class SessionClient : public QObject {
    Q_OBJECT
  public:
    explicit SessionClient(Limits limits = {}, QObject* parent = nullptr);
    ~SessionClient() override;

    void RegisterMessageHandler(SessionEvents* handler) { handler_ = handler; }
    void UnRegisterMessageHandler() { handler_ = nullptr; }

    // The name the server will know this player by.
    Status SetClientInfo(const PlayerInfo& info);
    // The password to prove when the server asks for one. Without it, a server that asks
    // makes Connect complete with PasswordRequired.
    void SetPassword(std::string password) { password_ = std::move(password); }
    // Connect comes back as the player of `ticket` (from an earlier Welcome) rather than joining
    // anew: ConnectComplete then succeeds with that player's identifier, or fails with
    // ResumeRefused. Without it, a plain join; either way the Hello asks for a new ticket.
    void SetResume(std::optional<ResumeTicket> ticket) { presented_ = std::move(ticket); }
    // The ticket of the last Welcome; none from a server that gives none.
    const std::optional<ResumeTicket>& Ticket() const { return ticket_; }
    // The server said, after the Welcome, that this player is gone for good (kicked, or the
    // server closing): there is nothing to come back to.
    bool EndedForGood() const { return endedForGood_; }
    // Connect failed because the host answered that nothing listens on the port: the server
    // program is gone (a link that is down never answers so).
    bool NothingListening() const { return nothingListening_; }
    // Starts connecting to the host address's "hostname" and "port" and returns at once;
    // ConnectComplete follows with success or the reason of the failure. A failure found at
    // once (a malformed address, a second Connect) is returned instead.
    Status Connect(const ApplicationDesc& desc, const SessionAddress& host);
    Status Send(ByteView message);
    // Stops waiting for a connection under way; Close ends it.
    void CancelAsyncOperation();
    // Ends the session; what was sent still reaches the server.
    void Close();

    PlayerId LocalPlayerId() const { return localId_; }

    // At rest (nothing on screen moving) the game's messages may wait for the next ReadNow,
    // or at the latest `intervalMs`, rather than each waking the program; 0 hands each over
    // as it arrives. Kept across reconnections; a handshake always reads at once.
    void GatherReads(int intervalMs);
    void ReadNow();

  private:
    // Lost: the link went without the caller's Close; Ended: closed, or never connected.
    enum class State { Idle, Connecting, Handshaking, Connected, Lost, Ended };
    enum class Notice { Now, Queued };

    void OnConnected();
    void OnSocketError();
    void OnLinkLost();
    void HandleFrame(FrameKind kind, ByteView payload);
    void Answer(const Challenge& challenge);
    bool Write(FrameKind kind, ByteView payload);
    void Heartbeat();
    void CompleteConnect(const Status& result);
    void Lose(Notice notice = Notice::Now);
    void Shutdown();
    std::string HostText() const;
    Status NotAQuorvexServer() const;

    Limits limits_;
    SessionEvents* handler_ = nullptr;
    PlayerInfo info_;
    ApplicationDesc desc_;
    std::string hostName_;
    std::int32_t port_ = 0;
    // Only until the connection is made; the link takes its socket over.
    QPointer<QTcpSocket> connecting_;
    QPointer<Connection> link_;
    Buffer outgoing_;  // the frame being sent, kept so that sending allocates nothing
    QTimer connectTimer_;
    QTimer heartbeat_;
    State state_ = State::Idle;
    PlayerId localId_ = 0;
    std::optional<std::string> password_;
    bool answered_ = false;
    Buffer clientNonce_;  // the one in our Hello
    std::optional<ResumeTicket> presented_;
    std::optional<ResumeTicket> ticket_;
    bool endedForGood_ = false;
    bool nothingListening_ = false;
    int gatherMs_ = 0;
};

// The whole start of a connection for scripted players: name, address of `hostName`:`port`
// over TCP/IP, and Connect with `applicationId`.
Status ConnectScripted(SessionClient& client, const std::string& name, const std::string& hostName,
                       std::int32_t port, const std::string& applicationId = kApplicationId);

}  // namespace quorvex::session

#pragma once

// The hosting end of the session service: a TCP listener, admission and the handshake, player
// identifiers, each player's sending budget, send-to-all with gathered writes, the keep-alive
// sweep, and notifications on the Qt event loop. Each player's link is a Connection.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/session/admission.h"
#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "protocol/session/resume_tokens.h"
#include "protocol/session/session_types.h"

namespace quorvex::session {

class EpollSet;
class Listener;
struct ServerPeer;

// What the session has carried and turned down since it was made, for a metrics page: plain
// sums bumped where the work is done anyway, so counting costs nothing measurable.
struct SessionCounters {
    std::uint64_t messagesIn = 0;  // data frames from joined players, dropped ones included
    std::uint64_t bytesIn = 0;
    std::uint64_t messagesOut = 0;  // one per player a message was queued for
    std::uint64_t bytesOut = 0;
    std::uint64_t framesDropped = 0;  // over a player's sending limits
    // Connections refused, by RefuseReason (index 0: any reason not known here).
    std::uint64_t refusals[16] = {};
};

// The address people should type to reach this host: its first IPv4 address off loopback, else
// its first IPv6 one that is not link-local, else 127.0.0.1.
QString PreferredHostAddress(const QList<QHostAddress>& addresses);

class SessionServer : public QObject {
    Q_OBJECT
  public:
    explicit SessionServer(Limits limits = {}, QObject* parent = nullptr);
    ~SessionServer() override;

    void RegisterMessageHandler(SessionEvents* handler) { handler_ = handler; }
    void UnRegisterMessageHandler() { handler_ = nullptr; }

    // Opens the session on the address's "port" (0 picks a free one). The server's own player
    // is reported through CreatePlayer before any client's.
    Status Host(const ApplicationDesc& desc, const SessionAddress& address);
    Status GetClientInfo(PlayerId id, PlayerInfo& info) const;
    // To one player, or to every player with kAllPlayers; the frame is built once. The server's
    // own player never receives anything.
    // Frames queued while incoming messages are handled may wait Limits::writeCoalesceMs for
    // company; any other send (a timer's, a button's) leaves when its event is done.
    Status SendTo(PlayerId target, ByteView message);
    // Hands every queued frame to the kernel now, for a sender whose answer must not wait.
    void Flush();
    // The address clients should use to reach this host.
    Status GetLocalHostAddresses(SessionAddress& address) const;
    // Nothing is pending beyond the queues, which Close drops.
    void CancelAsyncOperation() {}
    void Close();

    bool IsHosting() const;
    std::uint16_t Port() const;
    PlayerId HostPlayerId() const { return hostId_; }
    int PlayerCount() const;  // joined clients, the server's own player not included
    // Writes handed to the kernel so far: one per player per flush.
    std::uint64_t KernelWrites() const { return kernelWrites_; }
    const SessionCounters& Counters() const { return counters_; }

    // Where the session tells what it did about players over their limits (dropped messages,
    // disconnections, connections turned away), one line each, for the host's log.
    void SetNoticeCallback(std::function<void(const std::string&)> notice) {
        notice_ = std::move(notice);
    }
    // A password players must prove they know before they join; empty: none, and the
    // handshake is the one without a challenge. Applies to connections from now on.
    void SetPassword(std::string password) { password_ = std::move(password); }

    // How long a player whose connection went may come back as itself with its token (0: not
    // at all, and no client is handed a token). Applies to tokens handed out before too.
    void SetResumeGrace(std::int64_t graceMs) { tokens_.SetGrace(graceMs); }
    std::int64_t ResumeGraceMs() const { return tokens_.GraceMs(); }
    // The player is gone for good (left, kicked, removed): its token no longer brings it back.
    void ForgetResume(PlayerId id) { tokens_.Forget(id); }
    // This run of the server, as resume tickets name it.
    std::uint64_t Instance() const { return instance_; }

    // Ends a joined player's connection as the operator's kick does: what was queued for it
    // still goes, then it sees its connection lost; its place is free at once. False when no
    // joined player has the identifier (it is gone already).
    bool DisconnectPlayer(PlayerId id);
    // The address key a joined player connected from.
    std::optional<AddressKey> AddressOf(PlayerId id) const;
    // The bans the handshake refuses (the operator's ban, unban and bans commands).
    BanList& Bans() { return admission_.Bans(); }

  signals:
    // Every frame queued until now has just been handed to the kernel (a benchmark times
    // relays by it).
    void Flushed();

  private:
    void OnIncoming(int descriptor);
    bool HandleFrame(ServerPeer& peer, FrameKind kind, ByteView payload);
    bool HandleHello(ServerPeer& peer, ByteView payload);
    bool HandleAnswer(ServerPeer& peer, ByteView payload);
    bool HandleResume(ServerPeer& peer, const Hello& hello);
    // Joins the peer as player `id`: Welcome (with a ticket when it asked), frames up to the
    // player's bound.
    bool Join(ServerPeer& peer, PlayerId id);
    // Refuses the peer as "session full" when no seat is left for it; true when it did.
    bool RefusedAsFull(ServerPeer& peer);
    bool Admit(ServerPeer& peer);
    enum class Spent { Within, Over, FarOver };
    Spent Budget(ServerPeer& peer, std::size_t frameBytes);
    void Notice(const std::string& text);
    void Refuse(ServerPeer& peer, RefuseReason reason, const std::string& text);
    void Refuse(ServerPeer& peer, const Refusal& refusal);
    // Applies an admission decision: logs its notice, refuses when it says so (true then).
    bool RefusedBy(ServerPeer& peer, const Admission::Decision& decision);
    // A connection turned away at the door still hears why, so that its player reads the
    // reason rather than a guess.
    void TurnAway(int descriptor, const Refusal& refusal);
    void CountRefusal(const Refusal& refusal);
    void ReportHost();
    void Heartbeat();
    bool Write(ServerPeer& peer, ByteView frame);
    void HandOver(ServerPeer& peer);
    void ScheduleFlush(bool urgent);
    // A peer that stopped reading or fell silent is cut off at once; any other gets what was
    // queued for it before its connection ends.
    enum class Ending { AfterQueue, AtOnce };
    void Drop(ServerPeer& peer, Ending ending = Ending::AfterQueue);

    Limits limits_;
    Admission admission_{limits_};
    SessionEvents* handler_ = nullptr;
    std::unique_ptr<Listener> listener_;
    // Players' sockets beyond the first few, watched as one; made with the first Host (it
    // needs the event loop), kept until the end, as Close may run inside its notifications.
    std::unique_ptr<EpollSet> sockets_;
    std::vector<std::unique_ptr<ServerPeer>> peers_;
    // Dropped peers live until the event loop turns again: a handler may still be running for
    // one of them when another handler drops it.
    std::vector<std::unique_ptr<ServerPeer>> dropped_;
    ApplicationDesc desc_;
    QTimer heartbeat_;
    QTimer flush_;
    QElapsedTimer sinceFlush_;
    Buffer outgoing_;         // the frame being sent, kept so that sending allocates nothing
    bool queued_ = false;     // some player has frames waiting
    bool flushSoon_ = false;  // they leave when the current event is done
    bool answering_ = false;  // incoming messages are being handled
    std::uint64_t kernelWrites_ = 0;
    SessionCounters counters_;
    PlayerId hostId_ = 0;
    // Identifiers start well away from seat numbers, so the two are never mistaken for each
    // other on screen or in a test.
    PlayerId nextId_ = 101;
    bool hostReported_ = true;
    QElapsedTimer clock_;
    std::function<void(const std::string&)> notice_;
    std::string password_;
    ResumeTokens tokens_{60'000};
    std::uint64_t instance_ = 0;
};

}  // namespace quorvex::session

#pragma once

// mdlSession of the client, for the window and the computer player alike: the one owner of the
// connection to the server. It asks for the server and the player name when they were not given,
// connects (again, with a password, when the server asks for one), hands every notification to
// the player's state, sends what the state sends, runs Timer2's 100 ms paddle report and
// Timer1's exit delay, and closes the session at the end.

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/link/reconnect_schedule.h"
#include "client/state/client_state.h"
#include "protocol/outbox.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_client.h"
#include "protocol/session/session_types.h"
#include "ui/prompter.h"

namespace quorvex::client {

inline constexpr char kHostPrompt[] = "Please enter a hostname/IP address";
inline constexpr char kHostTitle[] = "Hostname required";
inline constexpr char kDefaultHost[] = "127.0.0.1";
inline constexpr char kNamePrompt[] = "Playername?";
inline constexpr char kNameTitle[] = "Playername";
inline constexpr char kDefaultName[] = "Myself";
inline constexpr char kSessionInitTitle[] = "SessionInit";
inline constexpr char kConnectTitle[] = "mdlSessionConnect";
inline constexpr char kPasswordPrompt[] = "Password?";
inline constexpr char kPasswordTitle[] = "Password";

// A resume ticket kept between runs, for the player who had it.
struct StoredTicket {
    session::ResumeTicket ticket;
    std::int32_t id = 0;
    std::string name;
    // The process that holds it: a client still running keeps its ticket to itself.
    std::int64_t ownerPid = 0;
};

// How start-up asks, beyond the plain prompts: an answer given in advance skips its prompt,
// remembered answers pre-fill the boxes, and the host box lists the servers found.
struct StartOptions {
    std::optional<std::string> host;
    std::optional<std::string> name;
    // Proved to a server that asks; without it the player is asked, once.
    std::optional<std::string> password;
    std::string hostDefault = kDefaultHost;
    std::string nameDefault = kDefaultName;
    ChoiceSource* hostChoices = nullptr;
    // Told what the person typed: a name once answered, a host once connected to.
    std::function<void(const std::string&)> nameTyped;
    std::function<void(const std::string&)> hostConnected;
    // Where the ticket to come back to a server ("host:port") is kept between runs, so that a
    // client started again within the grace comes back as the same player; none when unset.
    std::function<std::optional<StoredTicket>(const std::string& server)> loadTicket;
    std::function<void(const std::string& server, const std::optional<StoredTicket>&)> saveTicket;
};

// Who plays over the link: the person at the window (HumanPlayer) or a computer player.
class LinkPlayer {
  public:
    virtual ~LinkPlayer() = default;
    virtual ClientState& State() = 0;
    // One message from the server; `nowMs` counts from the link's making.
    virtual void OnMessage(ByteView message, std::int64_t nowMs) = 0;
    // Timer2's tick, every 100 ms from the first arena build until the exit begins.
    virtual void OnTimer2(std::int64_t nowMs) = 0;
    // After the connection-lost notice has gone into the state.
    virtual void OnLost() {}
    // The connection was lost and the link is trying to come back; then it came back as the
    // same player (the state has been told either way).
    virtual void OnReconnecting() {}
    virtual void OnResumed() {}
    // After every notification, tick and the end: what the player shows may have changed.
    virtual void Changed() {}
};

// How long a message may wait at rest when Timer2 is not running (a spectator, the lobby
// before the first arena): a little over its interval, so that its tick comes first.
inline constexpr int kRestReadIntervalMs = 150;

class ServerLink : public session::SessionEvents, public Outbox {
  public:
    // `port` is the server's port. Failure boxes go to `prompter`.
    ServerLink(LinkPlayer& player, Prompter& prompter, std::int32_t port = session::kDefaultPort,
               session::Limits limits = {});
    ~ServerLink() override;
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Before SessionInit; without it start-up asks exactly as the plain prompts do.
    void SetStartOptions(StartOptions options) { options_ = std::move(options); }

    // Each returns false after it has shown its failure box and ended the program.
    bool SessionInit();
    // Asks for the host until the answer is not empty, then for the name; starts connecting.
    bool ConnectToHost();

    // Form_Unload: PlayerLeft, then Timer1's exit delay, after which the session closes and the
    // program ends with 0.
    void Leave();
    // Closes the session and ends the program at once, with `exitCode` (0 for an orderly end).
    void End(int exitCode);
    bool Ended() const { return ended_; }
    // The game's own intervals as the timers run them: Timer2's paddle report, and Timer1's
    // next wait of the exit delay.
    int Timer2IntervalMs() const { return timer2_.interval(); }
    int Timer1IntervalMs() const { return timer1_.interval(); }
    // Milliseconds since the link was made: the time the player is given with each event.
    std::int64_t Now() const { return clock_.elapsed(); }
    // Nothing on the player's screen moves: the server's messages are read at Timer2's tick
    // (or every kRestReadIntervalMs without it) rather than each as it comes, so that a
    // client at rest wakes ten times a second, not for every paddle report of every player.
    void SetAtRest(bool atRest);
    // Without a callback the application's event loop is told to exit.
    void SetEndCallback(std::function<void(int exitCode)> end) { end_ = std::move(end); }

    // Outbox: to the server, guaranteed and without loopback. False when refused (not
    // connected, or the connection is gone).
    bool Send(const Buffer& message) override;

    // SessionEvents.
    void ConnectComplete(const session::Status& result) override;
    void TerminateSession() override;
    void Receive(session::PlayerId from, ByteView message) override;

  private:
    // Cancels what is outstanding, stops all notifications and ends the session. Safe to call
    // more than once, and before SessionInit.
    void CloseSession();
    void AskPlayerName();
    // Tells the session object the name and the password and starts connecting; the first
    // failure, if any.
    session::Status StartConnect();
    // The server asked for a password: asks the player once and connects again with it.
    // False when the player gave none; a new connection that cannot start shows its box.
    bool RetryWithPassword();
    // Shows the failure box titled `title` and ends the program with 1.
    void Fail(const char* title, const session::Status& status);
    void Timer1_Timer();
    // Coming back after a lost connection: the next try after the schedule's wait, each try on
    // a new session object; giving up shows the notice as a plain loss does.
    void RetryLater();
    void TryResume();
    void GiveUp();
    // The session object in use is let go and a new one made, with `resume` presented.
    void Renew(std::optional<session::ResumeTicket> resume, int connectTimeoutMs);
    std::string ServerKey() const;
    void KeepTicket();
    void ForgetTicket();

    LinkPlayer& player_;
    Prompter& prompter_;
    StartOptions options_;
    std::optional<std::string> typedHost_;
    std::int32_t port_;
    session::Limits limits_;
    std::unique_ptr<session::SessionClient> sessionLink_;
    bool atRest_ = false;
    int RestReadMs() const { return atRest_ ? kRestReadIntervalMs : 0; }
    // Links let go inside one of their own notifications, which still has to return through
    // them: released with this object.
    std::vector<std::unique_ptr<session::SessionClient>> finished_;
    session::SessionAddress hostAddress_;
    QElapsedTimer clock_;
    QTimer timer1_;
    QTimer timer2_;
    std::function<void(int)> end_;
    bool ended_ = false;
    bool askedPassword_ = false;
    // The last ticket the server gave, and the coming back under way.
    std::optional<session::ResumeTicket> ticket_;
    session::PlayerId playerId_ = 0;
    std::optional<ReconnectSchedule> reconnect_;
    QTimer retry_;
    // The first connection presents a ticket kept from an earlier run.
    bool resumingAtStart_ = false;
};

}  // namespace quorvex::client

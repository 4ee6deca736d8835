#pragma once

// mdlSession of the client: creates the session objects, asks for the server and the player
// name, connects, hands every notification to the client's state, and closes the session at
// the end. The state's sends reach the server through here.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

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

// How start-up asks, beyond the plain prompts: an answer given in advance skips its prompt,
// remembered answers pre-fill the boxes, and the host box lists the servers found.
struct StartOptions {
    std::optional<std::string> host;
    std::optional<std::string> name;
    std::string hostDefault = kDefaultHost;
    std::string nameDefault = kDefaultName;
    ChoiceSource* hostChoices = nullptr;
    // Told what the person typed: a name once answered, a host once connected to.
    std::function<void(const std::string&)> nameTyped;
    std::function<void(const std::string&)> hostConnected;
};

class ClientSession : public session::SessionEvents, public Outbox {
  public:
    // `port` is the server's port (kDefaultPort in the program, a test server's otherwise).
    // Failure boxes go to `prompter`.
    ClientSession(Prompter& prompter, std::int32_t port = session::kDefaultPort,
                  session::Limits limits = {});
    ~ClientSession() override;
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    ClientState& State() { return state_; }
    const ClientState& State() const { return state_; }

    // Before SessionInit; without it start-up asks exactly as the plain prompts do.
    void SetStartOptions(StartOptions options) { options_ = std::move(options); }

    // Each returns false after it has shown its failure box and ended the program.
    bool SessionInit();
    // Asks for the host until the answer is not empty, then for the name; starts connecting.
    bool ConnectToHost();
    // Gives the link the player's name and starts connecting; the first failure, if any.
    session::Status StartConnect();
    void AskPlayerName();

    // Cancels what is outstanding, stops all notifications and ends the session. Safe to call
    // more than once, and before SessionInit.
    void CloseSession();

    // The program must end now, with `exitCode` (0 for an orderly end). Reported once; later
    // calls are ignored. Without a callback the application's event loop is told to exit.
    void EndProgram(int exitCode);
    bool Ended() const { return ended_; }
    void SetEndCallback(std::function<void(int exitCode)> end) { end_ = std::move(end); }

    // Called after every notification has been applied to the state, so a view can repaint.
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    // Outbox: to the server, guaranteed and without loopback. False when refused (not
    // connected, or the connection is gone).
    bool Send(const Buffer& message) override;

    // SessionEvents.
    void ConnectComplete(const session::Status& result) override;
    void TerminateSession() override;
    void Receive(session::PlayerId from, ByteView message) override;

  private:
    // Shows the failure box titled `title` and ends the program.
    void Fail(const char* title, const session::Status& status);
    // The server asked for a password: asks the player once and connects again with it.
    // False when the player gave none or the new connection could not start.
    bool RetryWithPassword();
    void Changed();

    Prompter& prompter_;
    StartOptions options_;
    std::optional<std::string> typedHost_;
    std::int32_t port_;
    session::Limits limits_;
    ClientState state_;
    std::unique_ptr<session::SessionClient> sessionLink_;
    std::unique_ptr<session::SessionClient> closedLink_;
    std::unique_ptr<session::SessionClient> refusedLink_;
    session::SessionAddress deviceAddress_;
    session::SessionAddress hostAddress_;
    std::function<void(int)> end_;
    std::function<void()> changed_;
    bool ended_ = false;
    bool askedPassword_ = false;
};

}  // namespace quorvex::client

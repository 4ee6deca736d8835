#pragma once

// Hosting: asks the operator for the player count, opens the session, and connects the
// session's notifications to the game. The game's sends go out to every player from here.

#include <functional>
#include <memory>
#include <string>

#include "protocol/outbox.h"
#include "protocol/session/discovery_responder.h"
#include "protocol/session/session_server.h"
#include "server/game/server_game.h"
#include "ui/prompter.h"

namespace quorvex::server {

inline constexpr char kSessionName[] = "First VuvovuDUduz App (Messaging Program)";

class ServerSession : public session::SessionEvents, public Outbox {
  public:
    explicit ServerSession(session::Limits limits = {});
    ~ServerSession() override;

    // Asks for the maximum number of players and hosts on `port`. A failure is returned as
    // "Error #<n>: <description>" for the caller's box; the game then runs without a session.
    std::optional<std::string> InitServer(Prompter& prompter, std::int32_t port);
    void CloseServer();

    ServerGame& Game() { return *game_; }
    bool IsHosting() const { return server_ && server_->IsHosting(); }
    std::uint16_t Port() const { return server_ ? server_->Port() : 0; }
    // The UDP port LAN discovery is answered on (the hosting port's number), 0 without it.
    std::uint16_t DiscoveryPort() const { return discovery_ ? discovery_->Port() : 0; }
    // The host's address as text ("a;b;c" parts), empty without a session.
    std::optional<std::string> HostAddressText() const;
    // Called after every notification has been applied, so a view can refresh.
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    bool Send(const Buffer& message) override;

    void CreatePlayer(session::PlayerId id) override;
    void Receive(session::PlayerId from, ByteView message) override;

  private:
    void Changed();
    void AnswerDiscovery(std::int32_t port, std::int32_t maxPlayers);

    session::Limits limits_;
    std::unique_ptr<session::SessionServer> server_;
    std::unique_ptr<session::DiscoveryResponder> discovery_;
    std::unique_ptr<ServerGame> game_;
    std::function<void()> changed_;
};

}  // namespace quorvex::server

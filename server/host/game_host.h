#pragma once

// Hosting: opens the session and hands its notifications to the game, with the time they came
// at; the game's sends go out to every player from here. What the game decides is due later (a
// lost player's removal, the lobby's settings again) runs on this host's timers.

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/outbox.h"
#include "protocol/session/discovery_responder.h"
#include "protocol/session/session_server.h"
#include "server/game/server_game.h"

namespace quorvex::server {

inline constexpr char kSessionName[] = "First VuvovuDUduz App (Messaging Program)";

class GameHost : public session::SessionEvents, public Outbox {
  public:
    explicit GameHost(session::Limits limits = {});
    ~GameHost() override;

    // Hosts for at most `maxPlayers` players (the server's own included) on `port` (0: any free
    // one). A failure is returned as "Error #<n>: <description>"; the game then runs without a
    // session.
    std::optional<std::string> Host(std::int32_t maxPlayers, std::int32_t port);
    void CloseServer();

    ServerGame& Game() { return *game_; }
    bool IsHosting() const { return server_ && server_->IsHosting(); }
    std::uint16_t Port() const { return server_ ? server_->Port() : 0; }
    // The session itself, while hosting (benchmarks read its counts).
    const session::SessionServer* Server() const { return server_.get(); }
    // The UDP port LAN discovery is answered on (the hosting port's number), 0 without it.
    std::uint16_t DiscoveryPort() const { return discovery_ ? discovery_->Port() : 0; }
    // The host's address as text ("a;b;c" parts), empty without a session.
    std::optional<std::string> HostAddressText() const;
    // Called after every notification has been applied, so a view can refresh.
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    // How long a player whose connection is gone stays on the roster before it is removed as
    // a kick would; none (the default) keeps it until the operator kicks it. A change applies
    // to players already dropped, counted from when they dropped.
    void SetDropGrace(std::optional<std::chrono::milliseconds> grace);
    std::optional<std::chrono::milliseconds> DropGrace() const;
    // The password players must know to join; empty for none (the default). Kept for a
    // session hosted later, and applied at once to one hosted now.
    void SetPassword(const std::string& password);

    // Kicks the player and refuses its address and name at the handshake for `minutes`; the
    // ban's number, none when the player is not on the roster or nothing is hosted. A player
    // already lost is banned by the address it had.
    std::optional<int> Ban(std::int32_t id, std::int64_t minutes);
    // Lifts bans by number, address or name (see BanList::Unban); how many went.
    int Unban(std::string_view what);
    // The live bans, oldest first.
    std::vector<session::Ban> Bans();
    // The bans as text to keep across a restart, and such text read back into the session
    // hosted now (see BanList::Save and Load); how many were read.
    std::string SavedBans() const;
    std::size_t LoadBans(std::string_view text, std::vector<std::string>* errors);
    // A chat line each newcomer gets once, from the server and only for itself; empty for none.
    void SetGreeting(std::string text) { greeting_ = std::move(text); }

    // Where the host logs what it refused (chat floods, messages naming someone else, and the
    // session's own notices), one line each; standard error without a callback.
    void SetLogCallback(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    bool Send(const Buffer& message) override;

    void CreatePlayer(session::PlayerId id) override;
    void DestroyPlayer(session::PlayerId id) override;
    void Receive(session::PlayerId from, ByteView message) override;
    bool AdmitPlayer(const std::string& name) override;

  private:
    void Log(const std::string& line);
    // After a notification has been applied: a lobby resend that became due is sent once the
    // event loop is free again, then the view refreshes.
    void Changed();
    void ResendLobby();
    // Sets the one removal timer for the next player whose grace runs out.
    void ScheduleDropRemoval();
    void RemoveLapsedDrops();
    void AnswerDiscovery(std::int32_t port, std::int32_t maxPlayers);
    // The game took a player off its roster: a kicked one's connection ends too.
    void PlayerRemoved(std::int32_t id, server::RemoveCause cause);

    session::Limits limits_;
    std::unique_ptr<session::SessionServer> server_;
    std::unique_ptr<session::DiscoveryResponder> discovery_;
    std::unique_ptr<ServerGame> game_;
    std::function<void()> changed_;
    QTimer dropRemoval_;
    QTimer lobbyResend_;
    std::function<void(const std::string&)> log_;
    std::string password_;
    std::string greeting_;
    // Where each player on the roster connected from, kept while it is lost too, for a ban.
    std::map<std::int32_t, session::AddressKey> addresses_;
};

}  // namespace quorvex::server

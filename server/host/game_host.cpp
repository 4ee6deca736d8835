#include "server/host/game_host.h"

#include <QDateTime>
#include <QHostInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "protocol/session/limits.h"

namespace quorvex::server {
namespace {

// The game's lists stay within one message of the largest frame the session carries.
Capacity CapacityFor(const session::Limits& limits) {
    Capacity capacity;
    capacity.messageBytes = limits.maxFrameBytes - 1;  // the frame's kind byte
    return capacity;
}

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

GameHost::GameHost(session::Limits limits)
    : limits_(limits),
      game_(std::make_unique<ServerGame>(*this, MakeDefaultRandomSource(), CapacityFor(limits))) {
    game_->SetChatAllowance(limits.chatLinesPerSecond, limits.chatBurst);
    // A coarse timer may fire a little early; the game then finds nobody due and it is set
    // again.
    dropRemoval_.setSingleShot(true);
    dropRemoval_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&dropRemoval_, &QTimer::timeout, [this] { RemoveLapsedDrops(); });
    lobbyResend_.setSingleShot(true);
    lobbyResend_.setInterval(0);
    QObject::connect(&lobbyResend_, &QTimer::timeout, [this] { ResendLobby(); });
    game_->SetRemovalHook([this](std::int32_t id, RemoveCause cause) { PlayerRemoved(id, cause); });
}

GameHost::~GameHost() {
    CloseServer();
}

std::optional<std::string> GameHost::Host(std::int32_t maxPlayers, std::int32_t port) {
    session::ApplicationDesc desc;
    desc.applicationId = session::kApplicationId;
    desc.maxPlayers = maxPlayers;
    desc.sessionName = kSessionName;

    auto server = std::make_unique<session::SessionServer>(limits_);
    server->RegisterMessageHandler(this);
    server->SetNoticeCallback([this](const std::string& line) { Log(line); });
    server->SetPassword(password_);
    session::SessionAddress address;
    address.SetSP(session::kProviderTcpIp);
    address.AddComponentLong("port", port);
    if (const auto status = server->Host(desc, address); !status.Ok()) {
        return session::ErrorText(status);
    }
    server_ = std::move(server);
    game_->SetPlayerMaximum(maxPlayers);
    AnswerDiscovery(port, maxPlayers);
    return std::nullopt;
}

void GameHost::AnswerDiscovery(std::int32_t port, std::int32_t maxPlayers) {
    auto discovery = std::make_unique<session::DiscoveryResponder>([this, maxPlayers] {
        session::DiscoveryReply reply;
        reply.sessionName = kSessionName;
        reply.hostName = QHostInfo::localHostName().toStdString();
        reply.port = Port();
        reply.players = server_ ? static_cast<std::uint32_t>(server_->PlayerCount()) : 0;
        reply.maxPlayers = static_cast<std::uint32_t>(maxPlayers - 1);
        reply.gameType = static_cast<std::uint8_t>(game_->SelectedGameType());
        reply.missLimit = game_->Limit();
        reply.version = QUORVEX_VERSION;
        return reply;
    });
    // Without discovery the game still runs; players type the address as before.
    if (const auto status = discovery->Start(static_cast<std::uint16_t>(port)); !status.Ok()) {
        std::fprintf(stderr, "LAN discovery is off: %s\n", status.description.c_str());
        return;
    }
    discovery_ = std::move(discovery);
}

void GameHost::CloseServer() {
    if (!server_) {
        return;
    }
    server_->CancelAsyncOperation();
    server_->UnRegisterMessageHandler();
    discovery_.reset();
    server_->Close();
    server_.reset();
}

std::optional<std::string> GameHost::HostAddressText() const {
    session::SessionAddress address;
    if (!server_ || !server_->GetLocalHostAddresses(address).Ok()) {
        return std::nullopt;
    }
    return address.GetURL();
}

bool GameHost::Send(const Buffer& message) {
    return server_ && server_->SendTo(session::kAllPlayers, message).Ok();
}

void GameHost::CreatePlayer(session::PlayerId id) {
    session::PlayerInfo info;
    if (server_ && id != server_->HostPlayerId()) {
        server_->GetClientInfo(id, info);
        if (const auto address = server_->AddressOf(id)) {
            addresses_[id] = *address;
        }
    }
    game_->OnCreatePlayer(id, info.name);
    if (server_ && id != server_->HostPlayerId() && !greeting_.empty()) {
        if (const auto chat = msg::Encode(msg::Chat{"Server:>" + greeting_})) {
            server_->SendTo(id, *chat);
        }
    }
    Changed();
}

void GameHost::DestroyPlayer(session::PlayerId id) {
    if (!game_->OnDestroyPlayer(id, NowMs())) {
        return;  // left or kicked before its connection went
    }
    ScheduleDropRemoval();
    Changed();
}

bool GameHost::AdmitPlayer(const std::string& name) {
    if (game_->MakeRoomForNewcomer()) {
        ScheduleDropRemoval();
        Changed();
    }
    return game_->CanAddPlayer(name);
}

void GameHost::PlayerRemoved(std::int32_t id, RemoveCause cause) {
    addresses_.erase(id);
    // A kick that left the connection open would leave the player's chat and Ready reaching
    // everyone. A player that left or was lost has no connection to end (or ends it itself).
    if (cause == RemoveCause::Kicked && server_) {
        server_->DisconnectPlayer(id);
    }
}

std::optional<int> GameHost::Ban(std::int32_t id, std::int64_t minutes) {
    const RosterEntry* player = game_->FindPlayer(id);
    if (!server_ || player == nullptr) {
        return std::nullopt;
    }
    const auto known = addresses_.find(id);
    const auto address = known == addresses_.end()
                             ? std::nullopt
                             : std::optional<session::AddressKey>(known->second);
    const std::int64_t until = QDateTime::currentMSecsSinceEpoch() + minutes * 60'000;
    const int ban = server_->Bans().Add(address, player->name, until);
    game_->RemovePlayer(id, RemoveCause::Kicked);
    Changed();
    return ban;
}

int GameHost::Unban(std::string_view what) {
    return server_ ? server_->Bans().Unban(what) : 0;
}

std::string GameHost::SavedBans() const {
    return server_ ? server_->Bans().Save() : std::string();
}

std::size_t GameHost::LoadBans(std::string_view text, std::vector<std::string>* errors) {
    return server_ ? server_->Bans().Load(text, errors) : 0;
}

std::vector<session::Ban> GameHost::Bans() {
    return server_ ? server_->Bans().List(QDateTime::currentMSecsSinceEpoch())
                   : std::vector<session::Ban>{};
}

void GameHost::SetDropGrace(std::optional<std::chrono::milliseconds> grace) {
    game_->SetDropGrace(grace ? std::optional<std::int64_t>(grace->count()) : std::nullopt);
    ScheduleDropRemoval();
}

std::optional<std::chrono::milliseconds> GameHost::DropGrace() const {
    const auto grace = game_->DropGrace();
    return grace ? std::optional<std::chrono::milliseconds>(*grace) : std::nullopt;
}

void GameHost::ScheduleDropRemoval() {
    const auto next = game_->NextDropRemovalMs();
    if (!next) {
        dropRemoval_.stop();
        return;
    }
    dropRemoval_.start(std::chrono::milliseconds(std::max<std::int64_t>(0, *next - NowMs())));
}

void GameHost::RemoveLapsedDrops() {
    if (game_->RemoveLapsedDrops(NowMs()) > 0) {
        Changed();
    }
    ScheduleDropRemoval();
}

void GameHost::SetPassword(const std::string& password) {
    password_ = password;
    if (server_) {
        server_->SetPassword(password_);
    }
}

void GameHost::Receive(session::PlayerId from, ByteView message) {
    std::optional<std::string> notice;
    game_->OnReceiveFrom(from, message, NowMs(), notice);
    if (notice) {
        Log(*notice);
    }
    Changed();
}

void GameHost::Log(const std::string& line) {
    if (log_) {
        log_(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

void GameHost::Changed() {
    if (game_->LobbyResendDue() && !lobbyResend_.isActive()) {
        lobbyResend_.start();
    }
    if (changed_) {
        changed_();
    }
}

void GameHost::ResendLobby() {
    if (game_->LobbyResendDue()) {
        Log("a newcomer joined the lobby: the game settings go out again");
    }
    game_->ResendLobby();
}

}  // namespace quorvex::server

#include "server/host/server_session.h"

#include <QHostInfo>

#include <cstdio>

#include "protocol/numeric.h"
#include "protocol/session/limits.h"

namespace quorvex::server {
namespace {

// The operator's answer: a whole number (a fraction is rounded); anything else is refused.
session::Status ParsePlayerCount(const std::optional<std::string>& answer, std::int32_t& count) {
    const auto value = answer ? StrictNumber(*answer) : std::nullopt;
    if (!value) {
        return session::Status::Failure(
            session::ErrorCode::InvalidParameter,
            "The number of clients must be a number, not \"" + answer.value_or("") + "\"");
    }
    const auto whole = ToInt32(*value);
    if (!whole) {
        return session::Status::Failure(session::ErrorCode::InvalidParameter,
                                        "The number of clients is far too large");
    }
    count = *whole;
    return session::Status::Success();
}

}  // namespace

ServerSession::ServerSession(session::Limits limits)
    : limits_(limits), game_(std::make_unique<ServerGame>(*this)) {}

ServerSession::~ServerSession() {
    CloseServer();
}

std::optional<std::string> ServerSession::InitServer(Prompter& prompter, std::int32_t port) {
    session::ApplicationDesc desc;
    desc.applicationId = session::kApplicationId;
    const auto answer =
        prompter.AskText("Please enter the number of Clients (include +1 for server)",
                         "Number of Clients Required", "11");
    if (const auto status = ParsePlayerCount(answer, desc.maxPlayers); !status.Ok()) {
        return session::ErrorText(status);
    }
    desc.sessionName = kSessionName;
    desc.flags = session::kSessionClientServer;

    auto server = std::make_unique<session::SessionServer>(limits_);
    server->RegisterMessageHandler(this);
    session::SessionAddress address;
    address.SetSP(session::kProviderTcpIp);
    address.AddComponentLong("port", port);
    if (const auto status = server->Host(desc, address, 0); !status.Ok()) {
        return session::ErrorText(status);
    }
    server_ = std::move(server);
    AnswerDiscovery(port, desc.maxPlayers);
    return std::nullopt;
}

void ServerSession::AnswerDiscovery(std::int32_t port, std::int32_t maxPlayers) {
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

void ServerSession::CloseServer() {
    if (!server_) {
        return;
    }
    server_->CancelAsyncOperation(0, session::kCancelAllOperations);
    server_->UnRegisterMessageHandler();
    discovery_.reset();
    server_->Close(0);
    server_.reset();
}

std::optional<std::string> ServerSession::HostAddressText() const {
    session::SessionAddress address;
    if (!server_ || !server_->GetLocalHostAddresses(0, address).Ok()) {
        return std::nullopt;
    }
    return address.GetURL();
}

bool ServerSession::Send(const Buffer& message) {
    return server_ && server_
                          ->SendTo(session::kAllPlayers, message, 0,
                                   session::kSendGuaranteed | session::kSendNoLoopback)
                          .Ok();
}

void ServerSession::CreatePlayer(session::PlayerId id) {
    session::PlayerInfo info;
    if (server_ && id != server_->HostPlayerId()) {
        server_->GetClientInfo(id, info);
    }
    game_->OnCreatePlayer(id, info.name);
    Changed();
}

void ServerSession::Receive(session::PlayerId /*from*/, ByteView message) {
    game_->OnReceive(message);
    Changed();
}

void ServerSession::Changed() {
    if (changed_) {
        changed_();
    }
}

}  // namespace quorvex::server

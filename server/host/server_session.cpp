#include "server/host/server_session.h"

#include <QHostInfo>
#include <QTimer>

#include <algorithm>

#include <chrono>
#include <cstdio>

#include "protocol/messages.h"
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

ServerSession::ServerSession(session::Limits limits)
    : limits_(limits),
      game_(std::make_unique<ServerGame>(*this, MakeDefaultRandomSource(), CapacityFor(limits))) {}

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
    server_->CancelAsyncOperation();
    server_->UnRegisterMessageHandler();
    discovery_.reset();
    server_->Close();
    server_.reset();
}

std::optional<std::string> ServerSession::HostAddressText() const {
    session::SessionAddress address;
    if (!server_ || !server_->GetLocalHostAddresses(address).Ok()) {
        return std::nullopt;
    }
    return address.GetURL();
}

bool ServerSession::Send(const Buffer& message) {
    return server_ && server_->SendTo(session::kAllPlayers, message).Ok();
}

void ServerSession::CreatePlayer(session::PlayerId id) {
    session::PlayerInfo info;
    if (server_ && id != server_->HostPlayerId()) {
        server_->GetClientInfo(id, info);
    }
    game_->OnCreatePlayer(id, info.name);
    Changed();
}

void ServerSession::DestroyPlayer(session::PlayerId id) {
    chat_.erase(id);
    // Players removed since their earlier drops need no clock any more.
    std::erase_if(droppedSince_,
                  [this](const auto& entry) { return !game_->IsDropped(entry.first); });
    if (!game_->MarkDropped(id)) {
        return;  // left or kicked before its connection went
    }
    droppedSince_[id].start();
    ScheduleDropRemoval(id);
    Changed();
}

bool ServerSession::AdmitPlayer(const std::string& name) {
    return game_->CanAddPlayer(name);
}

void ServerSession::SetDropGrace(std::optional<std::chrono::milliseconds> grace) {
    dropGrace_ = grace;
    for (const auto& [id, since] : droppedSince_) {
        ScheduleDropRemoval(id);
    }
}

void ServerSession::ScheduleDropRemoval(session::PlayerId id) {
    const auto found = droppedSince_.find(id);
    if (!dropGrace_ || found == droppedSince_.end()) {
        return;
    }
    const auto left =
        std::max<std::chrono::milliseconds::rep>(0, dropGrace_->count() - found->second.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(left), Qt::PreciseTimer, &dropTimers_,
                       [this, id] { RemoveIfDroppedLongEnough(id); });
}

// A timer set for an earlier grace time may fire early or late: the grace in force decides.
void ServerSession::RemoveIfDroppedLongEnough(session::PlayerId id) {
    const auto found = droppedSince_.find(id);
    if (!dropGrace_ || found == droppedSince_.end() || !game_->IsDropped(id)) {
        return;
    }
    if (found->second.elapsed() < dropGrace_->count()) {
        ScheduleDropRemoval(id);  // a timer may fire a little early
        return;
    }
    droppedSince_.erase(found);
    game_->RemovePlayer(id, RemoveCause::Dropped);
    Changed();
}

void ServerSession::SetPassword(const std::string& password) {
    password_ = password;
    if (server_) {
        server_->SetPassword(password_);
    }
}

void ServerSession::Receive(session::PlayerId from, ByteView message) {
    if (!message.empty() && message[0] == static_cast<std::uint8_t>(msg::Type::Chat) &&
        !ChatAllowed(from)) {
        return;
    }
    if (const auto claim = game_->ForeignClaim(from, message)) {
        if (foreignClaims_.Count(NowMs())) {
            Log("Ignored " + *claim + " from player " + std::to_string(from) + " (" +
                std::to_string(foreignClaims_.Take()) +
                " such messages): a player speaks only for itself");
        }
        return;
    }
    game_->OnReceive(message);
    Changed();
}

bool ServerSession::ChatAllowed(session::PlayerId from) {
    auto it = chat_.find(from);
    if (it == chat_.end()) {
        it = chat_
                 .emplace(from, ChatAllowance{session::RateBudget(limits_.chatLinesPerSecond,
                                                                  limits_.chatBurst),
                                              session::DropTally()})
                 .first;
    }
    const std::int64_t now = NowMs();
    if (it->second.lines.Spend(now)) {
        return true;
    }
    if (it->second.dropped.Count(now)) {
        Log("Dropped " + std::to_string(it->second.dropped.Take()) + " chat lines from player " +
            std::to_string(from) + ": over its chat limit");
    }
    return false;
}

void ServerSession::Log(const std::string& line) {
    if (log_) {
        log_(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

void ServerSession::Changed() {
    if (changed_) {
        changed_();
    }
}

}  // namespace quorvex::server

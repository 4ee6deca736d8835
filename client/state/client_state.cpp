#include "client/state/client_state.h"

#include "client/state/client_texts.h"

namespace quorvex::client {

ClientState::ClientState(Outbox& outbox) : outbox_(outbox), arena_(arena::MakeInitialArena()) {}

void ClientState::SetMyName(std::string name) {
    myName_ = std::move(name);
}

void ClientState::SetOuterWidth(double twips) {
    outerWidth_ = twips;
}

void ClientState::OnConnectComplete(bool ok) {
    if (ok) {
        AddChatLine(kConnectedNotice);
    }
}

void ClientState::OnTerminateSession() {
    if (reconnecting_) {
        reconnecting_ = false;
        Mark(kLinkChanged);
    }
    AddChatLine(kConnectionLostNotice);
    Note(HappeningKind::kConnectionLost);
}

void ClientState::OnReconnecting() {
    reconnecting_ = true;
    Mark(kLinkChanged);
}

void ClientState::OnResumed(std::int32_t id) {
    reconnecting_ = false;
    catchingUp_ = true;
    myId_ = id;
    // The lobby is shown again by the server's settings when it is still open; one that
    // closed while we were away must not stay on screen.
    if (lobby_.frameVisible) {
        lobby_.frameVisible = false;
        Mark(kLobbyChanged);
    }
    Mark(kLinkChanged);
}

int ClientState::PlayerID() const {
    return client::PlayerID(seats_, myId_);
}

void ClientState::AddChatLine(std::string_view line) {
    chat_.AddChatLine(line);
    Mark(kChatChanged);
}

bool ClientState::Deliver(const std::optional<Buffer>& message) {
    if (exiting_ || !message) {
        return false;
    }
    return outbox_.Send(*message);
}

void ClientState::SendLeave() {
    // The program is closing whatever happens: a message that cannot go out is let go.
    if (const auto message = msg::Encode(msg::PlayerLeft{myId_})) {
        (void)outbox_.Send(*message);
    }
}

void ClientState::BeginExit() {
    if (exiting_) {
        return;
    }
    SendLeave();
    exiting_ = true;
    chat_.AppendExitNotice();
    Mark(kChatChanged);
}

bool ClientState::Timer1_Timer() {
    return exiting_ && exitTimer_.Tick();
}

unsigned ClientState::TakeChanges() {
    const unsigned changes = changes_;
    changes_ = 0;
    return changes;
}

}  // namespace quorvex::client

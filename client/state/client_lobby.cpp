// The lobby buttons and the chat line, and the three messages they send. A refused send ends
// the click there: the buttons keep what the click had set before it.

#include "client/state/client_state.h"
#include "client/state/client_texts.h"
#include "protocol/numeric.h"

namespace quorvex::client {

bool ClientState::Clickable(bool enabled) const {
    return !exiting_ && lobby_.frameVisible && lobby_.frameEnabled && enabled;
}

void ClientState::cmdJoin_Click() {
    if (!Clickable(lobby_.cmdJoinEnabled)) {
        return;
    }
    lobby_.cmdSpectateEnabled = true;
    Mark(kLobbyChanged);
    if (!SendSeatRequest(msg::kSeatTake)) {
        return;
    }
    // Ready may be pressed at once, before the server's Scoreboard has seated us.
    lobby_.cmdRdyEnabled = true;
    lobby_.cmdJoinEnabled = false;
}

void ClientState::cmdRdy_Click() {
    if (!Clickable(lobby_.cmdRdyEnabled)) {
        return;
    }
    if (!SendReady()) {
        return;
    }
    // The disabled button is all that shows our own readiness; the count comes from the server.
    lobby_.cmdRdyEnabled = false;
    Mark(kLobbyChanged);
}

void ClientState::cmdSpectate_Click() {
    if (!Clickable(lobby_.cmdSpectateEnabled)) {
        return;
    }
    lobby_.cmdJoinEnabled = true;
    Mark(kLobbyChanged);
    // A player who had declared ready takes that ready back along with the seat.
    const auto request = lobby_.cmdRdyEnabled ? msg::kSeatGiveUp : msg::kSeatGiveUpReady;
    if (!SendSeatRequest(request)) {
        return;
    }
    lobby_.cmdRdyEnabled = false;
    lobby_.cmdSpectateEnabled = false;
}

bool ClientState::txtSend_KeyDown(int keyCode, std::string_view typed) {
    if (keyCode != kEnterKey || exiting_) {
        return false;
    }
    // Not shown here: the line reaches the log when the server relays it back to everyone.
    std::string line = myName_;
    line.append(kChatSeparator);
    line.append(typed);
    return SendChat(line);
}

bool ClientState::SendChat(const std::string& line) {
    if (line.empty()) {
        return true;
    }
    return Deliver(msg::Encode(msg::Chat{line}));
}

bool ClientState::SendSeatRequest(std::uint8_t request) {
    return Deliver(msg::Encode(msg::SeatRequest{request, FormatInteger(myId_)}));
}

bool ClientState::SendReady() {
    return Deliver(msg::Encode(msg::ReadyRequest{}));
}

}  // namespace quorvex::client

#include "client/bot/computer_player.h"

#include "protocol/messages.h"

namespace quorvex::client::bot {
namespace {

// A person takes a moment to find the button.
constexpr int kReadyPauseMinMs = 700;
constexpr int kReadyPauseMaxMs = 1800;

}  // namespace

ComputerPlayer::ComputerPlayer(Outbox& toServer, std::string name, int skill, std::uint32_t seed)
    : state_(toServer), steering_(skill, seed), random_(seed ^ 0x9e3779b9u) {
    state_.SetMyName(std::move(name));
}

void ComputerPlayer::Steer(std::int64_t nowMs) {
    if (const auto pointer = steering_.Move(nowMs, state_.Arena(), state_.PlayerID())) {
        state_.Form_MouseMove(pointer->x, pointer->y);
    }
}

void ComputerPlayer::OnMessage(ByteView bytes, std::int64_t nowMs) {
    const auto type = msg::PeekType(bytes);
    if (!type) {
        return;
    }
    if (*type == static_cast<std::uint8_t>(msg::Type::PlayerLeft)) {
        const auto left = msg::Decode<msg::PlayerLeft>(bytes);
        removed_ = removed_ || (left && state_.MyID() != 0 && left->id == state_.MyID());
    }
    if (*type != static_cast<std::uint8_t>(msg::Type::BallUpdate)) {
        state_.HandleMessage(bytes);
        FollowLobby(nowMs);
        return;
    }
    // The paddle is where the hand has got to by now when the ball is judged against it.
    Steer(nowMs);
    state_.HandleMessage(bytes);
    const ball::Bounds bounds{state_.OuterWidth(), kSeparatorY};
    steering_.See(nowMs, state_.Ball(), state_.Arena(), state_.PlayerID(),
                  static_cast<int>(state_.Seats().size()), bounds);
}

void ComputerPlayer::OnTimer2(std::int64_t nowMs) {
    Steer(nowMs);
    state_.Timer2_Timer();
}

void ComputerPlayer::FollowLobby(std::int64_t nowMs) {
    const auto& lobby = state_.Lobby();
    const bool waiting = lobby.frameVisible && lobby.frameEnabled && lobby.cmdRdyEnabled &&
                         state_.PlayerID() >= 0 && !state_.Exiting();
    if (!waiting) {
        readyAt_.reset();
    } else if (!readyAt_) {
        std::uniform_int_distribution<int> pause(kReadyPauseMinMs, kReadyPauseMaxMs);
        readyAt_ = nowMs + pause(random_);
    }
}

void ComputerPlayer::PressReadyIfDue(std::int64_t nowMs) {
    if (!readyAt_ || nowMs < *readyAt_) {
        return;
    }
    readyAt_.reset();
    state_.cmdRdy_Click();
}

}  // namespace quorvex::client::bot

#pragma once

// A computer player without any session or clock of its own: the client's state and rules,
// unchanged, with a steering hand in place of the mouse and a pause before each Ready. The
// caller delivers messages and ticks with the time; everything sent goes to `toServer`.

#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "client/bot/steering.h"
#include "client/state/client_state.h"
#include "protocol/outbox.h"

namespace quorvex::client::bot {

class ComputerPlayer {
  public:
    ComputerPlayer(Outbox& toServer, std::string name, int skill, std::uint32_t seed);
    ComputerPlayer(const ComputerPlayer&) = delete;
    ComputerPlayer& operator=(const ComputerPlayer&) = delete;

    // One message from the server, received at `nowMs`.
    void OnMessage(ByteView bytes, std::int64_t nowMs);
    // Timer2, every 100 ms: the hand moves, then the paddle is reported as a person's is.
    void OnTimer2(std::int64_t nowMs);
    // When the lobby's Ready is to be pressed, if it is waiting to be.
    std::optional<std::int64_t> ReadyDueAt() const { return readyAt_; }
    // Presses Ready when it is due.
    void PressReadyIfDue(std::int64_t nowMs);
    // Leaving as a person closes the window: PlayerLeft, then the exit delay runs.
    void Leave() { state_.BeginExit(); }

    // The server removed us (a PlayerLeft for our own identifier): nothing more to play.
    bool Removed() const { return removed_; }
    ClientState& State() { return state_; }
    const ClientState& State() const { return state_; }

  private:
    void Steer(std::int64_t nowMs);
    void FollowLobby(std::int64_t nowMs);

    ClientState state_;
    Steering steering_;
    std::mt19937 random_;
    std::optional<std::int64_t> readyAt_;
    bool removed_ = false;
};

}  // namespace quorvex::client::bot

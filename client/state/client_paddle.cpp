// The arena's glue: rebuilding it for every seat list, the own paddle under the pointer, and
// the 100 ms paddle report.

#include "client/state/client_state.h"
#include "protocol/numeric.h"

namespace quorvex::client {

void ClientState::RebuildArena() {
    arena::SetUpArena(arena_, static_cast<int>(seats_.size()));
    timer2Running_ = true;
    PlaceOwnPaddle();
    Mark(kArenaChanged);
}

// A rebuild leaves a newly taken paddle where element 0 sits, off the own side, and the next
// report would tell everyone so. Lay it on the own side from where the pointer last was.
void ClientState::PlaceOwnPaddle() {
    const int seat = PlayerID();
    if (seat < 0 || static_cast<std::size_t>(seat) >= arena_.barriers.size()) {
        return;
    }
    std::pair<float, float> pointer;
    if (lastPointer_) {
        pointer = *lastPointer_;
    } else {
        const auto& side = arena_.barriers[static_cast<std::size_t>(seat)];
        pointer = {(side.x1 + side.x2) / 2, (side.y1 + side.y2) / 2};
    }
    arena::MovePaddle(arena_, seat, pointer.first, pointer.second);
}

bool ClientState::Form_MouseMove(float x, float y) {
    lastPointer_ = {x, y};
    const int seat = PlayerID();
    if (seat < 0 || !arena::MovePaddle(arena_, seat, x, y)) {
        return false;
    }
    Mark(kArenaChanged);
    return true;
}

bool ClientState::Timer2_Timer() {
    if (!timer2Running_ || exiting_) {
        return false;
    }
    const int seat = PlayerID();
    if (seat < 0 || static_cast<std::size_t>(seat) >= arena_.players.size()) {
        return false;
    }
    // Reported on every tick, moved or not.
    const auto& paddle = arena_.players[static_cast<std::size_t>(seat)];
    return Deliver(msg::Encode(msg::PaddleUpdate{FormatInteger(seat), FormatSingle(paddle.x1),
                                                 FormatSingle(paddle.y1), FormatSingle(paddle.x2),
                                                 FormatSingle(paddle.y2)}));
}

}  // namespace quorvex::client

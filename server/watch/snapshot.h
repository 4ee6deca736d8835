#pragma once

// What a watcher is sent: one JSON frame with everything the page draws (the arena's sides and
// dividers as the clients build them, each seat's paddle as its player last reported it, the
// ball, the seat table, the game type, limit and ready count, and the chat when the operator
// shows it). The page draws what is here and judges nothing. Plain C++: the host feeds it what
// the game sends and asks for a frame on its own clock.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "client/arena/arena.h"
#include "protocol/buffer.h"
#include "server/game/server_game.h"

namespace quorvex::server::watch {

inline constexpr std::size_t kChatLinesKept = 20;
// The ball's size in arena units, as every client draws it.
inline constexpr double kBallSize = 255;

class SnapshotBuilder {
  public:
    void SetChatShown(bool shown) { chatShown_ = shown; }
    bool ChatShown() const { return chatShown_; }

    // A message the game sent to every player: paddle reports and chat lines are taken from
    // here (the game itself keeps neither).
    void Sent(ByteView message);

    // The frame for the game as it is now; `rounds`: rounds recorded since the server started,
    // so that the page knows when to fetch the standings again.
    std::string Frame(const ServerGame& game, std::int64_t rounds);

  private:
    struct Paddle {
        double x1, y1, x2, y2;
    };
    void Rebuild(int seats);

    bool chatShown_ = false;
    int builtFor_ = -1;
    arena::Arena arena_ = arena::MakeInitialArena();
    std::vector<std::optional<Paddle>> paddles_;
    std::deque<std::string> chat_;
};

// "Points", "Survivor" or "Free 4 All", as the console's option buttons name them.
std::string GameTypeTitle(GameType type);

}  // namespace quorvex::server::watch

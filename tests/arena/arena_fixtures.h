#pragma once

// Arenas for tests: built from a seat count, or with one chosen side for cases that need a
// side of a given slope or quadrant.

#include <cstddef>

#include "client/arena/arena.h"

namespace quorvex::arena::testing {

inline Arena Built(int seats) {
    Arena arena = MakeInitialArena();
    SetUpArena(arena, seats);
    return arena;
}

// Seat `seat` owns `side`; every lower seat gets the same side.

inline Arena OneSideArena(Line side, int seat = 0) {
    Arena arena = MakeInitialArena();
    const auto count = static_cast<std::size_t>(seat + 1);
    arena.barriers.assign(count, side);
    arena.segments.assign(count, arena.segments.front());
    arena.equations.assign(count, SideEquation(side));
    arena.players.assign(count, arena.players.front());
    arena.ready = true;
    return arena;
}

inline Line Side(float x1, float y1, float x2, float y2) {
    Line line;
    line.x1 = x1;
    line.y1 = y1;
    line.x2 = x2;
    line.y2 = y2;
    return line;
}

}  // namespace quorvex::arena::testing

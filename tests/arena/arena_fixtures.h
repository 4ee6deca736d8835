#pragma once

// Arenas for tests: built from a seat count, or with one chosen side for cases that need a
// side of a given slope or quadrant.

#include <cstddef>
#include <tuple>
#include <vector>

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
    arena.equations.assign(count, SideEquation(side));
    arena.players.assign(count, arena.players.front());
    arena.ready = true;
    return arena;
}

// The end points of a line, or of every line of a collection, to compare them at once.
inline std::tuple<float, float, float, float> Ends(const Line& l) {
    return {l.x1, l.y1, l.x2, l.y2};
}
inline std::vector<std::tuple<float, float, float, float>> Ends(const std::vector<Line>& lines) {
    std::vector<std::tuple<float, float, float, float>> ends;
    for (const Line& line : lines)
        ends.push_back(Ends(line));
    return ends;
}

}  // namespace quorvex::arena::testing

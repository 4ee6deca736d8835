#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "client/arena/arena.h"

namespace quorvex::arena {
namespace {

constexpr int kMinSides = 3;
// The seat table counts its rows in 16 bits; no build is ever asked for more.
constexpr int kMaxSeats = std::numeric_limits<std::int16_t>::max();

// Brings a collection to exactly `count` elements. Elements that stay keep everything; new ones
// copy element 0 and start hidden, as freshly created line objects do.
void Resize(std::vector<Line>& lines, std::size_t count) {
    const Line prototype = lines.front();
    if (lines.size() > count) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(count), lines.end());
        return;
    }
    Line fresh = prototype;
    fresh.visible = false;
    lines.resize(count, fresh);
}

void LoadPlayer(Arena& arena, int seatCount) {
    Resize(arena.players, static_cast<std::size_t>(std::max(seatCount, 1)));
    for (int i = 0; i < seatCount; ++i) {
        arena.players[static_cast<std::size_t>(i)].visible = true;
    }
}

// Divider i runs from the centre to vertex i + 1.
void PlaceSegments(Arena& arena, int sideCount, double angleStep) {
    for (int i = 0; i < sideCount; ++i) {
        Line& segment = arena.segments[static_cast<std::size_t>(i)];
        segment.style = kDotted;
        segment.width = 1;
        segment.x1 = kArenaCenterX;
        segment.y1 = kArenaCenterY;
        const double angle = (i + 1) * angleStep;
        segment.x2 = static_cast<float>(segment.x1 + kArenaRadius * std::sin(angle));
        segment.y2 = static_cast<float>(segment.y1 + kArenaRadius * std::cos(angle));
        segment.visible = true;
    }
}

// Side i runs from vertex i + 1 to vertex i + 2; the last one closes the polygon.
void PlaceBarriers(Arena& arena, int sideCount) {
    const auto count = static_cast<std::size_t>(sideCount);
    for (std::size_t i = 0; i < count; ++i) {
        Line& barrier = arena.barriers[i];
        const Line& from = arena.segments[i];
        const Line& to = arena.segments[i + 1 < count ? i + 1 : 0];
        barrier.x1 = from.x2;
        barrier.y1 = from.y2;
        barrier.x2 = to.x2;
        barrier.y2 = to.y2;
        barrier.visible = true;
        arena.equations[i] = SideEquation(barrier);
    }
}

}  // namespace

Arena MakeInitialArena() {
    Arena arena;
    arena.segments.push_back(Line{120, 360, 1680, 360, kWhite, kDotted, 1, true});
    arena.barriers.push_back(Line{120, 480, 1680, 480, kWhite, kSolid, 1, true});
    arena.players.push_back(Line{240, 120, 1080, 240, kGreen, kSolid, 5, true});
    return arena;
}

double AngleStep(int sideCount) {
    return (360.0 / std::max(sideCount, kMinSides)) * (kPi / 180.0);
}

LineEquation SideEquation(const Line& side) {
    const double x1 = side.x1;
    const double y1 = side.y1;
    const double x2 = side.x2;
    const double y2 = side.y2;
    LineEquation equation;
    if (x2 == x1) {
        equation.vertical = true;
        equation.x = x1;
        return equation;
    }
    equation.slope = (y2 - y1) / (x2 - x1);
    equation.intercept = y1 - x1 * equation.slope;
    return equation;
}

void SetUpArena(Arena& arena, int seatCount) {
    if (arena.segments.empty() || arena.barriers.empty() || arena.players.empty()) {
        arena = MakeInitialArena();
    }
    seatCount = std::clamp(seatCount, 0, kMaxSeats);
    const int sideCount = std::max(seatCount, kMinSides);
    const auto sides = static_cast<std::size_t>(sideCount);

    LoadPlayer(arena, seatCount);
    Resize(arena.segments, sides);
    Resize(arena.barriers, sides);
    arena.equations.assign(sides, LineEquation{});

    PlaceSegments(arena, sideCount, AngleStep(sideCount));
    PlaceBarriers(arena, sideCount);
    arena.ready = true;
}

bool SeatHasSide(const Arena& arena, int seat) {
    return seat >= 0 && static_cast<std::size_t>(seat) < arena.barriers.size() &&
           static_cast<std::size_t>(seat) < arena.equations.size();
}

bool SeatHasPaddle(const Arena& arena, int seat) {
    return seat >= 0 && static_cast<std::size_t>(seat) < arena.players.size();
}

}  // namespace quorvex::arena

#pragma once

// The polygon arena: one side per seat (at least three), dotted dividers from the centre to
// every vertex, and one paddle per seat. Plain data and pure functions; the window draws what
// is here and nothing else. All coordinates are twips, x to the right, y downward.

#include <cstdint>
#include <vector>

namespace quorvex::arena {

inline constexpr float kArenaCenterX = 5235.0f;
inline constexpr float kArenaCenterY = 3750.0f;
inline constexpr double kArenaRadius = 3750.0;
// The game has always turned degrees into radians with 3.14; every client and the server
// must agree on it, so it is not the true pi.
inline constexpr double kPi = 3.14;
inline constexpr double kPaddleLength = 1000.0;

inline constexpr std::uint32_t kWhite = 0xFFFFFF;  // colours are 0x00BBGGRR
inline constexpr std::uint32_t kGreen = 0x00C000;
inline constexpr int kSolid = 1;
inline constexpr int kDotted = 3;

struct Line {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::uint32_t color = kWhite;
    int style = kSolid;
    int width = 1;  // pixels
    bool visible = true;
    bool operator==(const Line&) const = default;
};

// y = slope * x + intercept through a side's two stored ends. A side whose ends share their x
// is vertical: `vertical` is set, `x` holds that x, and slope/intercept are 0, so no infinity
// or NaN is ever stored.
struct LineEquation {
    double slope = 0;
    double intercept = 0;
    bool vertical = false;
    double x = 0;
};

struct Arena {
    std::vector<Line> segments;           // divider k: centre to vertex k+1
    std::vector<Line> barriers;           // side k: vertex k+1 to vertex k+2
    std::vector<Line> players;            // paddle k, lying on side k
    std::vector<LineEquation> equations;  // one per side
    bool ready = false;                   // ArenaReady: set by every build, never cleared
};

// The arena as the window is created: element 0 of each collection at its first place
// (top-left corner), no equations, not ready.
Arena MakeInitialArena();

// Rebuilds for `seatCount` seats: max(seatCount, 3) sides and dividers, `seatCount` paddles
// (element 0 always exists). Afterwards the collections hold exactly the current arena:
// nothing of an earlier, larger one is left. Paddles kept from before keep their place; new
// ones start where element 0 is, and every paddle of a seat is visible. A negative count is
// taken as 0, one beyond the seat table's 16-bit range as 32767. Sets `ready`.
void SetUpArena(Arena& arena, int seatCount);

// The angle between neighbouring vertices: (360 / sideCount) * (3.14 / 180), in that order.
// A count below 3 is taken as 3, as every build does.
double AngleStep(int sideCount);

// The equation of the line through a side's two stored ends.
LineEquation SideEquation(const Line& side);

// Quadrants around the arena centre: 1 upper right, 2 lower right, 3 lower left, 4 upper
// left. A point on the centre's vertical counts as left, one on its horizontal as lower.
int QuadrantOf(float x, float y);
// The own-side test and ball tracking place a side by its midpoint (rounded to single
// precision); the paddle places it by its start vertex. The two may disagree for one side.
int SideQuadrantByMidpoint(const Line& side);
int SideQuadrantByStart(const Line& side);

// Whether `seat` names a side together with its equation, and whether it names a paddle.
// A seat that does not is treated as not seated.
bool SeatHasSide(const Arena& arena, int seat);
bool SeatHasPaddle(const Arena& arena, int seat);

// True when (x, y) lies on the centre's side of the line through side `ownSeat`, or on it.
// False when ownSeat names no side, or for a point that is not finite. A vertical side is
// tested as the vertical line it is; where the test would divide by a zero slope, the level
// line's centre side is above or below it.
bool WithInPerimeter(const Arena& arena, int ownSeat, double x, double y);

// The pointer moved to (x, y): projects it onto the own side's line and lays the own paddle
// from there over kPaddleLength towards larger x. Does nothing (and returns false) while the
// arena is not ready, when ownSeat names no side or paddle, or when the projection has no
// finite single-precision result (then nothing changes). A vertical side takes the pointer's
// height and runs the paddle upwards; a level side cannot be projected by y.
bool MovePaddle(Arena& arena, int ownSeat, float x, float y);

}  // namespace quorvex::arena

#include <gtest/gtest.h>

#include <limits>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::ball {
namespace {

using arena::Line;

std::vector<std::string> Texts(const std::vector<Event>& events) {
    std::vector<std::string> texts;
    for (const Event& e : events)
        texts.push_back(std::to_string(e.kind) + " " + e.value);
    return texts;
}

// The four edge checks run in order on the direction the previous one left, are strict, and
// send whole directions floored but not brought into a turn; a corner turns twice ("405",
// then "135") before the own side is judged. Seat 1 of four owns the upper-left side.
TEST(BallSatus, EdgeBouncesInCheckOrder) {
    const arena::Arena arena = arena::testing::Built(4);
    struct Case {
        float left, top;
        const char* direction;
        std::vector<std::string> events;
        const char* after;  // the direction text left behind
    };
    const Case cases[] = {
        {-5, -5, "315", {"1 405", "1 135", "2 1"}, "135"},
        {5000, 7560, "200", {}, "200"},
        {5000, 7561, "200", {"1 700"}, "700"},
        {10100, 3000, "45", {"1 315"}, "315"},
        {0, 3000, "45", {"2 1"}, "45"},
        {5000, 0, "200", {"2 1"}, "200"},
        {10100, 3000, "450", {"1 -90"}, "-90"},
        {10095, 3000, "45", {}, "45"},
        {10100, 3000, "45.7", {"1 314"}, "314"},
        {-1, 6000, "720.5", {"1 -1"}, "-1"},
    };
    for (const Case& c : cases) {
        Ball ball{.left = c.left, .top = c.top, .direction = c.direction};
        EXPECT_EQ(Texts(BallSatus(ball, arena, 1, Bounds{})), c.events) << c.left << " " << c.top;
        EXPECT_EQ(ball.direction, c.after);
    }
    // The ball is a circle: its right edge is found with its height, whatever its width says.
    Ball narrow{.left = 10100, .top = 3000, .width = 100, .direction = "45"};
    EXPECT_EQ(Texts(BallSatus(narrow, arena, 1, Bounds{})), std::vector<std::string>{"1 315"});
}

// A spectator, a seat without a side, a direction that is no number, a bounce whose result
// would not be finite, and a ball without a finite position: no event, direction unchanged.
TEST(BallSatus, JudgesNothingWithoutASeatOrFiniteValues) {
    const arena::Arena arena = arena::testing::Built(4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int seat;
        float left, top;
        const char* direction;
    };
    const Case cases[] = {{-1, -500, -500, "315"}, {4, -500, -500, "315"}, {77, -5, -5, "315"},
                          {1, -5, -5, "abc"},      {1, -5, -5, ""},        {1, -5, -5, "nan"},
                          {1, -5, -5, "inf"},      {1, -5, -5, "12x"},     {1, -5, 3000, "1e308"},
                          {1, nan, -5, "10"},      {1, 5000, inf, "10"}};
    for (const Case& c : cases) {
        Ball ball{.left = c.left, .top = c.top, .direction = c.direction};
        EXPECT_TRUE(BallSatus(ball, arena, c.seat, Bounds{}).empty())
            << c.seat << " " << c.direction;
        EXPECT_EQ(ball.direction, c.direction);
    }
}

struct SideCase {
    Line side;
    Line paddle;  // stored with x1 < x2, as the paddle handler lays it
    float left, top;
    const char* direction;
    std::vector<std::string> events;
    int seat = 0;
};

// The ball straddles the own side with its centre on the paddle: the direction is mirrored
// about the side, with 3.14 for pi, and brought into [0, 360] ("224", "44", "315", "135", and
// the limits for vertical sides and for level ones, tested along x). Moving the paddle away makes
// each of these a miss.
const SideCase kHits[] = {
    {{6000, 1000, 7000, 2000}, {6000, 1000, 7000, 2000}, 6400, 1300, "45", {"1 224"}},
    {{3000, 5000, 4000, 6000}, {3000, 5000, 4000, 6000}, 3400, 5300, "225", {"1 44"}},
    {{7000, 5000, 6000, 6000}, {6000, 6000, 7000, 5000}, 6400, 5400, "135", {"1 315"}},
    {{4000, 1000, 3000, 2000}, {3000, 2000, 4000, 1000}, 3400, 1300, "315", {"1 135"}},
    {{8000, 3000, 8000, 4000}, {8000, 4000, 8000, 3000}, 7900, 3400, "45", {"1 315"}},
    {{2000, 4000, 2000, 3000}, {2000, 4000, 2000, 3000}, 1900, 3400, "315", {"1 45"}},
    {{6000, 1000, 7000, 1000}, {6000, 1000, 7000, 1000}, 6400, 900, "45", {"1 134"}},
    {{4000, 1000, 3000, 1000}, {3000, 1000, 4000, 1000}, 3400, 900, "315", {"1 224"}},
    // Judged by the quadrant of the side's midpoint (1), not of its start (2).
    {{8985, 3753, 5241, 0}, {6500, 1262, 7500, 2264}, 6900, 1536, "45", {"1 225"}},
    // Quadrant 2's leading corner is the lower right one, 4's the upper left: the upper right
    // one is inside here.
    {{7000, 5000, 6000, 6000}, {6000, 6000, 7000, 5000}, 6200, 5500, "135", {"1 315"}},
    {{4000, 1000, 3000, 2000}, {3000, 2000, 4000, 1000}, 3300, 1600, "315", {"1 135"}},
};

// A centre exactly on a paddle end is a miss; a ball wholly beyond the side is a miss of the
// own seat wherever the paddle is; a leading corner on the line, or inside it while the
// trailing one is beyond, makes no side event (the top edge still turns the ball).
const SideCase kOthers[] = {
    {{6000, 1000, 7000, 2000}, {6527.5f, 0, 7000, 0}, 6400, 1300, "45", {"2 0"}},
    {{6000, 1000, 7000, 2000}, {6000, 0, 6527.5f, 0}, 6400, 1300, "45", {"2 0"}},
    {{5500, 7000, 8500, 2000}, {8000, 7000, 9500, 5000}, 9000, 6000, "135", {"2 2"}, 2},
    {{6000, 1000, 7000, 2000}, {6000, 1000, 7000, 2000}, 6400, 1655, "45", {}},
    {{5500, 1400, 6000, 400}, {5500, 1400, 6000, 400}, 6000, -5, "45", {"1 495"}},
    // Quadrants 2 and 4 test along y only: a paddle that spans the centre's x alone misses.
    {{7000, 5000, 6000, 6000}, {6000, 4000, 7000, 3000}, 6400, 5400, "135", {"2 0"}},
    {{7000, 5000, 6000, 6000}, {6000, 5527.5f, 7000, 4527.5f}, 6400, 5400, "135", {"2 0"}},
    {{4000, 1000, 3000, 2000}, {3000, 3000, 4000, 2000}, 3400, 1300, "315", {"2 0"}},
};

std::vector<std::string> Judge(const SideCase& c, const Line& paddle) {
    arena::Arena arena = arena::testing::OneSideArena(c.side, c.seat);
    arena.players[static_cast<std::size_t>(c.seat)] = paddle;
    Ball ball{.left = c.left, .top = c.top, .direction = c.direction};
    return Texts(BallSatus(ball, arena, c.seat, Bounds{}));
}

TEST(BallSatus, AtTheOwnSideHitsMirrorAndMissesReportTheSeat) {
    for (const SideCase& c : kHits) {
        EXPECT_EQ(Judge(c, c.paddle), c.events) << c.side.x1 << "," << c.side.y1;
        EXPECT_EQ(Judge(c, Line{0, 0, 1, 0}), std::vector<std::string>{"2 0"});
    }
    for (const SideCase& c : kOthers)
        EXPECT_EQ(Judge(c, c.paddle), c.events) << c.side.x1 << "," << c.side.y1;
}

}  // namespace
}  // namespace quorvex::ball

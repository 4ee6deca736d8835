// The drawn ball follows the reported path on a steady clock, a little behind, towards the next
// step foreseen by the same rules every seat judges by. Other paddles glide over one interval;
// the own one does not.
// Held keys slide the own paddle along its side, faster the longer they are held.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "client/motion/drawn_ball.h"
#include "client/motion/drawn_paddles.h"
#include "client/motion/frame_interval.h"
#include "client/motion/key_steering.h"
#include "client/motion/next_step.h"
#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::motion {
namespace {

ball::Ball At(float left, float top, const char* direction) {
    return {left, top, 255, 255, direction};
}

// The server's step, as it makes it.
Point Step(const Point& from, double degrees) {
    const auto step = ball::StepAlong(degrees);
    return {std::floor(from.x + step.x), std::floor(from.y + step.y)};
}

// Three seats: side 0 is the nearly level top side (y about 1870), side 2 the lower right one.
// A ball going up across side 0 is hit back down when paddle 0 covers it and missed when not;
// with two seats side 2 has no paddle, so nobody judges it and only the right wall turns the
// ball there; a direction that is no number says nothing.
TEST(NextStep, TheWallsAndEverySeatsJudgementTurnTheBallAsTheServerWill) {
    arena::Arena three = arena::MakeInitialArena();
    arena::SetUpArena(three, 3);
    ASSERT_TRUE(arena::MovePaddle(three, 0, 4600, 0));
    arena::Arena missed = three;
    ASSERT_TRUE(arena::MovePaddle(missed, 0, 7000, 0));
    const ball::Bounds bounds{client::kOuterWidth, client::kSeparatorY};
    const struct {
        const arena::Arena& arena;
        std::size_t seats;
        ball::Ball ball;
        std::optional<Point> next;
    } table[] = {
        {three, 3, At(5000, 1700, "0"), Point{5000, 1955}},    // hit back down (180)
        {missed, 3, At(5000, 1700, "0"), std::nullopt},        // missed: back to the start
        {three, 3, At(5000, 3000, "0"), Point{5000, 2745}},    // nothing met
        {three, 2, At(10200, 4000, "90"), Point{9945, 4000}},  // the right wall (270)
        {three, 3, At(5000, 3000, "up"), std::nullopt},
    };
    for (const auto& row : table) {
        const auto next = NextStep(row.ball, row.arena, row.seats, bounds);
        ASSERT_EQ(next.has_value(), row.next.has_value()) << row.ball.left << row.ball.direction;
        if (next) {
            EXPECT_NEAR(next->x, row.next->x, 1) << row.ball.top;
            EXPECT_NEAR(next->y, row.next->y, 1) << row.ball.top;
        }
    }
}

// Reports of a ball going right (direction 90) every 100 ms, each arriving up to `jitter` ms
// late. After its first second the drawn ball moves every frame by what the ball moves in a
// frame, give or take half a pixel (its clock adjusts by a tenth at most), and never ahead of the
// next step.
TEST(DrawnBall, UnevenArrivalNeitherStallsNorJumps) {
    for (const double jitter : {0.0, 20.0, 50.0}) {
        DrawnBall drawn;
        std::mt19937 random(3);
        std::uniform_real_distribution<double> late(0, jitter);
        double arrival = 0;
        double frame = 0;
        double previous = 0;
        int frames = 0;
        int bad = 0;
        for (int k = 0; k < 60; ++k) {
            arrival = std::max(arrival, 100.0 * k + late(random));
            for (; frame < arrival; frame += 1000.0 / 60) {
                const double x = drawn.At(frame).x;
                if (frame > 1000) {
                    const double moved = x - previous;
                    bad += std::fabs(moved - 2.55 * 1000 / 60) > 7;
                    ++frames;
                }
                if (k > 0) {
                    EXPECT_LE(x, 1000 + 255.0 * k) << "never ahead of the next step";
                }
                previous = x;
            }
            drawn.Report({1000.0 + 255 * k, 2000}, Point{1000.0 + 255 * (k + 1), 2000}, arrival);
        }
        EXPECT_GT(frames, 200);
        EXPECT_EQ(bad, 0) << jitter;
        EXPECT_LE(drawn.DelayMs(arrival), jitter + DrawnBall::kMarginMs + 0.01) << jitter;
    }
}

// Straight up into the top side, hit back down by its player (the next step foreseen), as a
// spectator sees it: the drawn ball turns where the report put it, never further up; a reversed
// direction takes it straight back, nothing drawn goes back by more than it came. A report far
// from the path (the ball put back to the start) is drawn at once; silence stops the ball where
// its last step takes it.
TEST(DrawnBall, TurnsWhereTheReportPutItAndNoFurther) {
    DrawnBall drawn;
    std::vector<Point> path{{5000, 2720}};
    for (int k = 0; k < 3; ++k) {
        path.push_back(Step(path.back(), 0));  // up: 2465, 2210, 1955
    }
    path.push_back(Step(path.back(), 0));  // 1700: over the side, hit back
    for (int k = 0; k < 3; ++k) {
        path.push_back(Step(path.back(), 180));
    }
    double highest = 1e9;
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        drawn.Report(path[k], path[k + 1], 100.0 * k);
        for (double t = 100.0 * k; t < 100.0 * (k + 1); t += 5) {
            highest = std::min(highest, drawn.At(t).y);
        }
    }
    EXPECT_GE(highest, 1700) << "no higher than the report of the hit";
    EXPECT_LT(highest, 1720) << "but up to it";
    drawn.Report({5235, 3750}, Point{5235, 3495}, 700);
    EXPECT_EQ(drawn.At(700).y, 3750);
    EXPECT_TRUE(drawn.Moving(750));
    EXPECT_NEAR(drawn.At(2000).y, 3495, 0.01);
    EXPECT_FALSE(drawn.Moving(2000));
}

arena::Line Paddle(float x1, float y1) {
    return {x1, y1, x1 + 1000, y1, arena::kGreen, arena::kSolid, 5, true};
}

TEST(DrawnPaddles, OthersGlideFromWhereDrawnTheOwnOneAndNewOnesStandAtOnce) {
    DrawnPaddles drawn;
    drawn.Follow({Paddle(0, 0), Paddle(0, 0)}, 1, 0);
    drawn.Follow({Paddle(1000, 0), Paddle(1000, 0)}, 1, 0);
    EXPECT_EQ(drawn.At(0)[0].x1, 0);
    EXPECT_EQ(drawn.At(0)[1].x1, 1000) << "own paddle";
    EXPECT_FLOAT_EQ(drawn.At(50)[0].x1, 500);
    EXPECT_TRUE(drawn.Moving(50));
    // A new report half way: the glide restarts from the drawn place.
    drawn.Follow({Paddle(2000, 0), Paddle(1000, 0), Paddle(7, 7)}, 1, 50);
    EXPECT_FLOAT_EQ(drawn.At(50)[0].x1, 500);
    EXPECT_FLOAT_EQ(drawn.At(100)[0].x1, 1250);
    EXPECT_FLOAT_EQ(drawn.At(150)[0].x2, 3000);
    EXPECT_EQ(drawn.At(50)[2].x1, 7) << "a new paddle";
    EXPECT_FALSE(drawn.Moving(150));
    // Less than kStillTwips away: nothing to be seen moves, nothing glides.
    drawn.Follow({Paddle(2001, 0.5f), Paddle(1000, 0), Paddle(7, 7)}, 1, 200);
    EXPECT_FALSE(drawn.Moving(210));
    EXPECT_EQ(drawn.At(210)[0].x1, 2000);
}

TEST(FrameInterval, OneFramePerRefreshOfTheScreen) {
    const struct {
        double hz;
        int ms;
    } table[] = {{60, 17}, {144, 7}, {0, 17}, {0.5, 17}, {5000, 1}};
    for (const auto& row : table) {
        EXPECT_EQ(FrameIntervalMs(row.hz), row.ms) << row.hz;
    }
}

TEST(KeySteering, AcceleratesWhileHeldAndTheLastKeyWins) {
    KeySteering keys;
    keys.Press(kRight, 0);
    const double first = keys.Advance(100);
    EXPECT_NEAR(first, kKeyStartSpeed * 0.1 + kKeyAcceleration * 0.01 / 2, 1e-6);
    EXPECT_GT(keys.Advance(200), first) << "faster the longer held";
    keys.Advance(1200);
    EXPECT_NEAR(keys.Advance(2200), kKeyTopSpeed, 1e-6) << "up to a top speed";
    keys.Press(kLeft, 2200);
    EXPECT_LT(keys.Advance(2300), 0);
    keys.Release(kLeft, 2300);
    EXPECT_NEAR(keys.Advance(2400), first, 1e-6) << "back to the held one, slow again";
    keys.Release(kRight, 2400);
    EXPECT_FALSE(keys.Held());
    EXPECT_EQ(keys.Advance(3000), 0);
}

// Three seats, own seat 0 (the nearly level top side from x 8484.6 down to 1991.4): right is
// towards larger x, and the paddle stays on the side.
TEST(AlongOwnSide, MovesTheStartAlongTheSideAndKeepsThePaddleOnIt) {
    arena::Arena arena = arena::MakeInitialArena();
    arena::SetUpArena(arena, 3);
    ASSERT_TRUE(arena::MovePaddle(arena, 0, 4000, 0));
    const auto right = AlongOwnSide(arena, 0, 500);
    ASSERT_TRUE(right);
    EXPECT_NEAR(right->first, 4500, 0.5);
    EXPECT_NEAR(right->second,
                arena.equations[0].slope * right->first + arena.equations[0].intercept, 0.01);
    const auto far = AlongOwnSide(arena, 0, 1e6);
    EXPECT_NEAR(std::hypot(8484.584 - far->first, 1878.449 - far->second), 1000, 0.5);
    EXPECT_NEAR(AlongOwnSide(arena, 0, -1e6)->first, 1991.39, 0.01);
    EXPECT_FALSE(AlongOwnSide(arena, 3, 10));
}

// Smoothing is drawing only: a recorded run of server messages judged by a client whose drawn
// ball and paddles follow every change sends exactly what a client without them sends.
using Recording = client::testing::RecordingOutbox;

std::vector<Buffer> Recorded() {
    std::vector<Buffer> run;
    const auto add = [&run](const auto& m) { run.push_back(msg::Encode(m).value()); };
    add(msg::Roster{{{"Ann", 5}, {"Me", 9}}});
    add(msg::Scoreboard{{{"5", "0", "0"}, {"9", "0", "0"}}});
    // Straight up into the top edge, right into the right edge, then down across the arena's
    // lower sides, with the other paddle reported between the steps.
    float left = 5235, top = 3750;
    for (int i = 0; i < 60; ++i) {
        const char* angle = i < 20 ? "0" : i < 40 ? "100" : "200";
        left += i < 20 ? 0.0f : i < 40 ? 251 : -87;
        top += i < 20 ? -255.0f : i < 40 ? 44 : 240;
        add(msg::BallUpdate{std::to_string(static_cast<int>(left)),
                            std::to_string(static_cast<int>(top)), angle});
        add(msg::PaddleUpdate{"0", std::to_string(3000 + 40 * i), "1870", "4000", "1871"});
    }
    return run;
}

TEST(Smoothing, JudgesARecordedRunExactlyAsWithout) {
    Recording plainOut, smoothOut;
    client::ClientState plain(plainOut), smooth(smoothOut);
    DrawnBall ball;
    DrawnPaddles paddles;
    const ball::Bounds bounds{client::kOuterWidth, client::kSeparatorY};
    double now = 0;
    for (const Buffer& message : Recorded()) {
        plain.HandleMessage(message);
        smooth.HandleMessage(message);
        const unsigned changes = smooth.TakeChanges();
        if (changes & client::kBallChanged) {
            const ball::Ball& b = smooth.ReportedBall();
            ball.Report({b.left, b.top}, NextStep(b, smooth.Arena(), smooth.Seats().size(), bounds),
                        now);
        }
        if (changes & client::kArenaChanged)
            paddles.Follow(smooth.Arena().players, smooth.PlayerID(), now);
        for (double frame = now; frame < now + 50; frame += 16.7) {
            ball.At(frame);
            paddles.At(frame);
        }
        now += 50;
        smooth.Form_MouseMove(4000, 1000);
        plain.Form_MouseMove(4000, 1000);
        plain.Timer2_Timer();
        smooth.Timer2_Timer();
    }
    ASSERT_GT(plainOut.sent.size(), 120u);
    EXPECT_EQ(smoothOut.sent, plainOut.sent);
    int bounces = 0;
    for (const Buffer& m : plainOut.sent)
        bounces += msg::Decode<msg::BallEvent>(m).has_value();
    EXPECT_GT(bounces, 2) << "the run must make the client judge something";
}

}  // namespace
}  // namespace quorvex::motion

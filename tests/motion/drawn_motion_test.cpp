// The drawn ball runs on at the server's speed but never past one step; a close report is eased
// into, a far one taken at once. Other paddles glide over one interval; the own one does not.
// Held keys slide the own paddle along its side, faster the longer they are held.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "client/motion/drawn_ball.h"
#include "client/motion/drawn_paddles.h"
#include "client/motion/key_steering.h"
#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::motion {
namespace {

ball::Ball At(float left, float top, const char* direction) {
    return {left, top, 255, 255, direction};
}

// Direction 90 moves right: 2.55 twips per millisecond, and no further than one step. A report
// 30 twips behind the drawn ball (two pixels) is eased into, not jumped back to; one 300 twips
// away is where the ball is drawn at once. A direction that is no number stops.
TEST(DrawnBall, RunsOnAtTheServersSpeedEasesIntoACloseReportAndSnapsToAFarOne) {
    DrawnBall drawn;
    drawn.Report(At(1000, 2000, "90"), 0);
    const struct {
        double ms, x;
    } table[] = {{0, 1000}, {40, 1000 + 102}, {99, 1000 + 252.45}, {100, 1255}, {500, 1255}};
    for (const auto& row : table) {
        EXPECT_NEAR(drawn.At(row.ms).x, row.x, 0.2) << row.ms;
        EXPECT_NEAR(drawn.At(row.ms).y, 2000, 0.25) << row.ms;
    }
    EXPECT_TRUE(drawn.Moving(99));
    EXPECT_FALSE(drawn.Moving(100));
    drawn.Report(At(1225, 2000, "90"), 100);  // drawn at 1255: 30 ahead
    EXPECT_NEAR(drawn.At(100).x, 1255, 0.01);
    EXPECT_NEAR(drawn.At(150).x, 1225 + 127.5 + 15, 0.01);
    EXPECT_NEAR(drawn.At(200).x, 1480, 0.01);

    drawn.Report(At(1480 + kEaseTwips + 1, 2000, "90"), 200);
    EXPECT_NEAR(drawn.At(200).x, 1541, 0.01);
    drawn.Report(At(5235, 3750, "x"), 300);
    EXPECT_EQ(drawn.At(350).x, 5235);
    EXPECT_FALSE(drawn.Moving(301));
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
    double now = 0;
    for (const Buffer& message : Recorded()) {
        plain.HandleMessage(message);
        smooth.HandleMessage(message);
        const unsigned changes = smooth.TakeChanges();
        if (changes & client::kBallChanged)
            ball.Report(smooth.Ball(), now);
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

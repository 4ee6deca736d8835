// Smoothing is drawing only: a recorded run of server messages judged by a client whose drawn
// ball and paddles follow every change sends exactly what a client without them sends.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/motion/drawn_ball.h"
#include "client/motion/drawn_paddles.h"
#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::client {
namespace {

using Recording = testing::RecordingOutbox;

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
    ClientState plain(plainOut), smooth(smoothOut);
    motion::DrawnBall ball;
    motion::DrawnPaddles paddles;
    double now = 0;
    for (const Buffer& message : Recorded()) {
        plain.HandleMessage(message);
        smooth.HandleMessage(message);
        const unsigned changes = smooth.TakeChanges();
        if (changes & kBallChanged) {
            ball.Report(smooth.Ball(), now);
        }
        if (changes & kArenaChanged) {
            paddles.Follow(smooth.Arena().players, smooth.PlayerID(), now);
        }
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
    for (const Buffer& m : plainOut.sent) {
        bounces += msg::Decode<msg::BallEvent>(m).has_value();
    }
    EXPECT_GT(bounces, 2) << "the run must make the client judge something";
}

}  // namespace
}  // namespace quorvex::client

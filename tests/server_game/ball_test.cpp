#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;
using enum GameType;

RandomSource Always(double draw) {
    return [draw] { return draw; };
}

// One step of 255 units from the start, floored after every step, with 3.14 for pi; a bounce
// sends nothing and its text travels unchanged in the next BallUpdate. A bounce whose text is
// no finite number would break the step: it is ignored.
TEST(BallStep, MovesOneFlooredStepAndReportsAlsoBelowZero) {
    const std::vector<std::array<std::string, 3>> cases = {
        {"0", "5235", "3495"},   {"45", "5415", "3569"},    {"90", "5489", "3749"},
        {"135", "5415", "3930"}, {"180", "5235", "4004"},   {"270", "4980", "3750"},
        {"359", "5229", "3495"}, {"4.5e1", "5415", "3569"}, {" 90", "5489", "3749"}};
    for (const auto& [angle, left, top] : cases) {
        Game g;
        ASSERT_TRUE(g.HandleBallEvent(BallEvent(1, angle)));
        for (const char* text : {"abc", "inf", "nan", "1e999", "", "12x"})
            EXPECT_FALSE(g.HandleBallEvent(BallEvent(1, text))) << text;
        EXPECT_TRUE(g.sent.empty());
        ASSERT_TRUE(g.BallStep());
        EXPECT_EQ(g.sent, std::vector<Buffer>{Bytes(msg::BallUpdate{left, top, angle})});
    }
    // Past the top left corner the coordinates go negative, and each step still rounds down.
    Game g;
    g.HandleBallEvent(BallEvent(1, "315"));
    for (int i = 0; i < 32; ++i)
        g.BallStep();
    EXPECT_EQ(g.BallLeft() + "," + g.BallTop(), "-557,-2010");
}

// Every kind but 1 is a miss of the named seat: counted, the round rule runs (its GameSettings
// first), the ball goes back to the start with a drawn direction, and Scoreboard follows. A
// seat that does not exist, or is beyond 16 bits, is ignored whole: no reset either.
TEST(Miss, CountsResetsTheBallAndSendsScoreboard) {
    for (const std::uint8_t kind : {0, 2, 255}) {
        Game g({"ann", "bob"}, Always(0.5));
        g.HandleBallEvent(BallEvent(1, "45"));
        g.BallStep();
        g.sent.clear();
        EXPECT_TRUE(g.HandleBallEvent(BallEvent(kind, "0")));
        EXPECT_EQ(Column(g, &SeatRow::playerMisses), (Rows{"1", "0"}));
        EXPECT_EQ(g.BallLeft() + "," + g.BallTop() + "," + g.BallAngle(), "5235,3750,180");
        EXPECT_EQ(g.sent, std::vector<Buffer>{
                              Bytes(msg::Scoreboard{{{"101", "0", "1"}, {"102", "0", "0"}}})});
        g.BallStep();  // away from the start, where a reset would put it back
        const auto before = Dump(g);
        for (const char* seat : {"2", "-1", "1.5", "40000", "1e999"})
            EXPECT_FALSE(g.HandleBallEvent(BallEvent(kind, seat))) << seat;
        EXPECT_EQ(Dump(g), before);
        EXPECT_EQ(g.sent.size(), 2u);
    }
    Game g({"ann", "bob"});
    g.PickGameType(Points);
    g.sent.clear();
    g.HandleBallEvent(BallEvent(2, "1"));
    EXPECT_EQ(g.sent, (std::vector<Buffer>{
                          Bytes(msg::GameSettings{1, "1"}),
                          Bytes(msg::Scoreboard{{{"101", "1", "0"}, {"102", "0", "0"}}})}));
}

// Draws become whole degrees 0 to 359, at a reset and at start-up alike, also where single
// precision would round up to 360 or a source strays out of [0, 1).
TEST(Direction, DrawsAreWholeDegreesBelow360) {
    const std::pair<double, std::string> cases[] = {
        {0.0, "0"}, {0.499, "179"}, {0.5, "180"}, {0.99999999, "359"}, {1.0, "359"}, {-0.1, "0"}};
    for (const auto& [draw, angle] : cases) {
        Game g({}, Always(draw));
        g.ResetBall();  // in single precision
        EXPECT_EQ(g.BallAngle(), angle) << draw;
        g.StartUpBallDirection();
        EXPECT_EQ(g.BallAngle(), angle) << draw;
    }
}

// The ball runs when no fewer are ready than seated, or always in Free 4 All, never unseated.
TEST(BallGate, RunsWhenEnoughAreReadyOrAlwaysInFreeForAll) {
    using Case = std::tuple<GameType, std::size_t, int, bool>;  // seats, Ready messages, runs
    const Case cases[] = {{Survivor, 2, 1, false},   {Survivor, 2, 2, true},
                          {Points, 2, 3, true},      {FreeForAll, 1, 0, true},
                          {FreeForAll, 0, 0, false}, {Points, 0, 2, false}};
    for (const auto& [type, seats, ready, runs] : cases) {
        Game g(Rows(seats, "p"));
        g.PickGameType(type);
        for (int i = 0; i < ready; ++i)
            g.OnReceive(Ready());
        EXPECT_EQ(g.BallGate(), runs) << seats << " seats, " << ready << " ready";
        EXPECT_EQ(g.BallTimerRunning(), runs);
    }
}

}  // namespace
}  // namespace quorvex::server

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "client/arena/arena.h"

namespace quorvex::arena {
namespace {

bool IsFinite(const Line& line) {
    return std::isfinite(line.x1) && std::isfinite(line.y1) && std::isfinite(line.x2) &&
           std::isfinite(line.y2);
}

bool IsFinite(const LineEquation& e) {
    return std::isfinite(e.slope) && std::isfinite(e.intercept) && std::isfinite(e.x);
}

void ExpectAllFinite(const Arena& arena) {
    for (const Line& line : arena.segments) {
        ASSERT_TRUE(IsFinite(line));
    }
    for (const Line& line : arena.barriers) {
        ASSERT_TRUE(IsFinite(line));
    }
    for (const Line& line : arena.players) {
        ASSERT_TRUE(IsFinite(line));
    }
    for (const LineEquation& e : arena.equations) {
        ASSERT_TRUE(IsFinite(e));
    }
}

// Pointer positions from the window's ordinary range up to the extremes of single precision.
float RandomCoordinate(std::mt19937& random) {
    const float extremes[] = {0.0f,
                              -1.0f,
                              1e20f,
                              -1e30f,
                              std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::denorm_min()};
    std::uniform_int_distribution<int> pick(0, 9);
    const int choice = pick(random);
    if (choice < 7 && pick(random) == 0) {
        return extremes[choice];
    }
    return std::uniform_real_distribution<float>(-20000.0f, 20000.0f)(random);
}

TEST(FiniteValues, NothingNonFiniteIsEverStoredWhateverTheSeatsAndPointer) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> seatCount(3, 300);
    Arena arena = MakeInitialArena();
    int moves = 0;
    int refusals = 0;
    for (int round = 0; round < 200; ++round) {
        const int seats = seatCount(random);
        SetUpArena(arena, seats);
        ASSERT_NO_FATAL_FAILURE(ExpectAllFinite(arena));
        std::uniform_int_distribution<int> seat(-2, seats + 2);
        for (int move = 0; move < 50; ++move) {
            const int own = seat(random);
            const float x = RandomCoordinate(random);
            const float y = RandomCoordinate(random);
            const bool moved = MovePaddle(arena, own, x, y);
            EXPECT_FALSE(moved && (own < 0 || own >= seats));
            (moved ? moves : refusals) += 1;
            if (moved) {
                ASSERT_TRUE(IsFinite(arena.players[static_cast<std::size_t>(own)]))
                    << seats << " seats, seat " << own << ", pointer " << x << "," << y;
            }
            WithInPerimeter(arena, own, x, y);
        }
        ASSERT_NO_FATAL_FAILURE(ExpectAllFinite(arena));
    }
    EXPECT_GT(moves, 0);
    EXPECT_GT(refusals, 0);
}

}  // namespace
}  // namespace quorvex::arena

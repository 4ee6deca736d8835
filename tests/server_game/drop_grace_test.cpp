// Players whose connection is gone: listed as lost, removed as a kick would once their grace
// has run out, by the host's clock passed in.

#include <gtest/gtest.h>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;

std::vector<std::int32_t> Ids(const ServerGame& game) {
    std::vector<std::int32_t> ids;
    for (const auto& entry : game.Roster())
        ids.push_back(entry.id);
    return ids;
}

TEST(DropGrace, ALostPlayerGoesExactlyWhenItsGraceRunsOut) {
    Game g({"ann", "bob", "cy"});
    g.SetDropGrace(1000);
    EXPECT_TRUE(g.OnDestroyPlayer(101, 0));
    EXPECT_FALSE(g.OnDestroyPlayer(101, 100));  // the first drop counts
    EXPECT_FALSE(g.OnDestroyPlayer(999, 0));    // not on the roster
    EXPECT_TRUE(g.OnDestroyPlayer(102, 500));
    EXPECT_TRUE(g.sent.empty());  // the clients see the lost players as before
    const struct {
        std::int64_t nowMs;
        std::vector<std::int32_t> roster;
        std::optional<std::int64_t> next;
    } steps[] = {{999, {101, 102, 103}, 1000},
                 {1000, {102, 103}, 1500},
                 {1499, {102, 103}, 1500},
                 {1500, {103}, std::nullopt}};
    for (const auto& step : steps) {
        g.RemoveLapsedDrops(step.nowMs);
        EXPECT_EQ(Ids(g), step.roster) << step.nowMs;
        EXPECT_EQ(g.NextDropRemovalMs(), step.next) << step.nowMs;
    }
    EXPECT_FALSE(g.AnyDropped());
    EXPECT_EQ(g.sent.back(), Bytes(msg::PlayerLeft{102}));  // after its Scoreboard, as a kick
}

TEST(DropGrace, WithoutOneNobodyGoesAndAGraceSetLaterCountsFromTheDrop) {
    Game g({"ann", "bob"});
    g.OnDestroyPlayer(101, 0);
    g.OnDestroyPlayer(102, 0);
    EXPECT_EQ(g.RemoveLapsedDrops(1'000'000), 0);
    EXPECT_EQ(g.NextDropRemovalMs(), std::nullopt);
    g.OnReceive(Bytes(msg::PlayerLeft{102}));  // gone by itself: nothing left to wait for
    EXPECT_FALSE(g.IsDropped(102));
    g.SetDropGrace(200);
    EXPECT_EQ(g.NextDropRemovalMs(), 200);
    EXPECT_EQ(g.RemoveLapsedDrops(5000), 1);
    EXPECT_TRUE(g.Roster().empty());
}

}  // namespace
}  // namespace quorvex::server

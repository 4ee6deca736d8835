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

TEST(DropGrace, APlayerWhoMayComeBackIsKeptForTheWholeResumeGraceThenGoes) {
    const struct {
        std::optional<std::int64_t> dropGrace;
        std::int64_t resumeGrace;
        std::int64_t nowMs;
        bool listed;
    } rows[] = {{30000, 60000, 59999, true},
                {30000, 60000, 60000, false},
                {30000, 0, 29999, true},
                {30000, 0, 30000, false},
                {std::nullopt, 60000, 10'000'000, true}};
    for (const auto& row : rows) {
        Game g({"ann"});
        g.SetDropGrace(row.dropGrace);
        g.SetResumeGrace(row.resumeGrace);
        g.OnDestroyPlayer(101, 0);
        g.RemoveLapsedDrops(row.nowMs);
        EXPECT_EQ(g.FindPlayer(101) != nullptr, row.listed) << row.nowMs;
    }
}

TEST(Resume, TheLostPlayerComesBackAsItWasAndOnlyItIsBroughtUpToDate) {
    Game g({"ann", "bob"});
    g.SetDropGrace(30000);
    g.SetResumeGrace(60000);
    g.OnDestroyPlayer(102, 0);
    g.sent.clear();
    EXPECT_TRUE(g.OnResumePlayer(102));
    EXPECT_FALSE(g.OnResumePlayer(999));
    EXPECT_TRUE(g.sent.empty());  // the others never knew
    EXPECT_EQ(g.RemoveLapsedDrops(1'000'000), 0);
    const auto roster = Bytes(msg::Roster{g.Roster()});
    EXPECT_EQ(g.CatchUp().size(), 2u);  // the roster and the seats, no lobby shown yet
    // The lobby's settings and count come along only while the clients show the lobby.
    const struct {
        int readies;
        std::size_t messages;
    } steps[] = {{0, 4}, {1, 4}, {2, 2}};
    g.PickGameType(GameType::Points);
    int given = 0;
    for (const auto& step : steps) {
        for (; given < step.readies; ++given)
            g.HandleReady(Ready(), 101 + given);
        const auto messages = g.CatchUp();
        ASSERT_EQ(messages.size(), step.messages) << step.readies;
        EXPECT_EQ(messages[0], roster);
        if (step.messages == 4) {
            EXPECT_EQ(messages[3], Bytes(msg::ReadyTally{std::to_string(step.readies)}));
        }
    }
}

}  // namespace
}  // namespace quorvex::server

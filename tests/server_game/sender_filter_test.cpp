// What a player's message must pass before the game takes it: the sender's chat allowance and
// speaking only for itself. What was dropped is logged, at most once a second per kind.

#include <gtest/gtest.h>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;

TEST(ChatAllowance, EachPlayerHasItsOwnBurstAndRateAndTheLogHearsOfDropsOncePerSecond) {
    ChatAllowance chat(4, 8);
    const struct {
        std::int32_t player;
        std::int64_t atMs;
        int lines, passing;
        const char* notice;  // after the lines; empty: none
    } steps[] = {
        {101, 0, 9, 8, "Dropped 1 chat lines from player 101: over its chat limit"},
        {102, 0, 8, 8, ""},    // another player's allowance is its own
        {101, 100, 1, 0, ""},  // dropped again within the second: counted, not logged
        {101, 250, 1, 1, ""},  // a quarter second refills one line
        // logged at the first drop a second after the last line: with the one at 100 ms
        {101, 1100, 5, 3, "Dropped 2 chat lines from player 101: over its chat limit"},
    };
    for (const auto& step : steps) {
        int passed = 0;
        std::optional<std::string> notice;
        for (int i = 0; i < step.lines; ++i)
            passed += chat.Spend(step.player, step.atMs, notice) ? 1 : 0;
        EXPECT_EQ(passed, step.passing) << step.atMs;
        EXPECT_EQ(notice.value_or(""), step.notice) << step.atMs;
    }
    chat.Forget(101);  // its connection went: a new one starts with a full burst
    std::optional<std::string> notice;
    EXPECT_TRUE(chat.Spend(101, 1100, notice));
}

TEST(SenderFilter, ChatOverTheAllowanceAndClaimsForOthersNeverReachTheGame) {
    Game g({"ann", "bob"});
    g.SetChatAllowance(1, 1);
    std::optional<std::string> notice;
    EXPECT_TRUE(g.OnReceiveFrom(101, Bytes(msg::Chat{"ann:>hi"}), 0, notice));
    EXPECT_FALSE(g.OnReceiveFrom(101, Bytes(msg::Chat{"ann:>hi"}), 0, notice));
    EXPECT_EQ(g.sent, std::vector<Buffer>{Bytes(msg::Chat{"ann:>hi"})});
    EXPECT_TRUE(notice);

    const std::string before = Dump(g);
    for (const std::int64_t atMs : {0, 500}) {
        notice.reset();
        EXPECT_FALSE(g.OnReceiveFrom(102, Bytes(msg::PlayerLeft{101}), atMs, notice));
        EXPECT_EQ(notice.has_value(), atMs == 0);
    }
    EXPECT_EQ(Dump(g), before);
    EXPECT_EQ(g.IgnoredClaims(), 2);
    notice.reset();
    EXPECT_FALSE(g.OnReceiveFrom(102, Bytes(msg::PlayerLeft{101}), 1000, notice));
    EXPECT_EQ(notice,
              "Ignored PlayerLeft for player 101 from player 102 (2 such messages): a "
              "player speaks only for itself");
    EXPECT_TRUE(g.OnReceiveFrom(102, Bytes(msg::PlayerLeft{102}), 1000, notice));
    EXPECT_EQ(g.Roster().size(), 1u);
}

}  // namespace
}  // namespace quorvex::server

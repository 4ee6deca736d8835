#include <gtest/gtest.h>

#include "server/game/limit_text.h"
#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using harness::Column;
using harness::Connect;
using harness::RecordingOutbox;

struct LimitCase {
    std::string text;
    bool valid;
};

class LimitTexts : public ::testing::TestWithParam<LimitCase> {};

TEST_P(LimitTexts, OneOrTwoDigitsOnlyAndInvalidFallsBackToZero) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    game.SetLimitText("42");
    EXPECT_EQ(ValidLimitText(c.text), c.valid);
    EXPECT_EQ(game.SetLimitText(c.text), c.valid);
    EXPECT_EQ(game.Limit(), c.valid ? c.text : "0");
    EXPECT_TRUE(out.sent.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, LimitTexts,
                         ::testing::Values(LimitCase{"", false}, LimitCase{"7", true},
                                           LimitCase{"75", true}, LimitCase{"753", false},
                                           LimitCase{"05", true}, LimitCase{"a", false},
                                           LimitCase{"-1", false}, LimitCase{" 1", false},
                                           LimitCase{"1.", false}));

struct PickCase {
    GameType type;
    std::string limitBefore;
    std::string limitSent;
};

class Picks : public ::testing::TestWithParam<PickCase> {};

// Two seats with wins "0" and "1" from an ended round, misses piled up, two players ready.
TEST_P(Picks, SendOneSettingsClearMissesAndReadyKeepWins) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.PickGameType(GameType::Points);
    game.CountMiss(0);
    game.PickGameType(GameType::FreeForAll);
    game.CountMiss(1);
    game.CountMiss(1);
    game.OnReceive(harness::Ready());
    game.OnReceive(harness::Ready());
    ASSERT_TRUE(game.SetLimitText(c.limitBefore));
    out.sent.clear();

    game.PickGameType(c.type);
    ASSERT_EQ(out.sent.size(), 1u);
    const Buffer expected =
        harness::Bytes(msg::GameSettings{static_cast<std::uint8_t>(c.type), c.limitSent});
    EXPECT_EQ(out.sent[0], expected);
    EXPECT_EQ(game.SelectedGameType(), c.type);
    EXPECT_EQ(game.Limit(), c.limitSent);
    EXPECT_EQ(game.ReadyCount(), 0);
    EXPECT_EQ(Column(game, &SeatRow::playerMisses), (std::vector<std::string>{"0", "0"}));
    EXPECT_EQ(Column(game, &SeatRow::playerWins), (std::vector<std::string>{"0", "1"}));
}

INSTANTIATE_TEST_SUITE_P(Types, Picks,
                         ::testing::Values(PickCase{GameType::Points, "0", "1"},
                                           PickCase{GameType::Points, "00", "1"},
                                           PickCase{GameType::Points, "07", "07"},
                                           PickCase{GameType::Survivor, "0", "0"},
                                           PickCase{GameType::FreeForAll, "0", "0"}));

TEST(Picks, GameSettingsIsTypeByteGameTypeAndLimit) {
    RecordingOutbox out;
    ServerGame game(out);
    game.SetLimitText("12");
    game.PickGameType(GameType::Survivor);
    ASSERT_EQ(out.sent.size(), 1u);
    EXPECT_EQ(out.sent[0], (Buffer{8, 2, 2, 0, '1', '2'}));
}

}  // namespace
}  // namespace quorvex::server

#include <gtest/gtest.h>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using harness::Bytes;
using harness::Connect;
using harness::Dump;
using harness::RecordingOutbox;

TEST(Relay, ChatAndPaddleGoBackToAllByteForByte) {
    RecordingOutbox out;
    ServerGame game(out);
    const std::vector<Buffer> messages = {
        Bytes(msg::Chat{"ann:>hello \xC3\xA9"}),
        Bytes(msg::Chat{""}),
        Bytes(msg::PaddleUpdate{"1", "5012.5", "-3", "6012", "junk"}),
    };
    for (const auto& m : messages) {
        out.sent.clear();
        EXPECT_TRUE(game.OnReceive(m));
        ASSERT_EQ(out.sent.size(), 1u);
        EXPECT_EQ(out.sent[0], m);
    }
}

// A game with two seated players, a bounced ball and one ready, to show what stays put.
class Dispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        Connect(game, {"ann", "bob"});
        game.HandleBallEvent(harness::BallEvent(1, "45"));
        game.OnReceive(harness::Ready());
        out.sent.clear();
        before = Dump(game);
    }
    void ExpectNothingHappened(const Buffer& bytes) {
        EXPECT_FALSE(game.OnReceive(bytes));
        EXPECT_EQ(Dump(game), before);
        EXPECT_TRUE(out.sent.empty());
    }
    RecordingOutbox out;
    ServerGame game{out};
    std::string before;
};

TEST_F(Dispatch, TypesTheServerDoesNotHandleAreIgnored) {
    for (const std::uint8_t type : {0, 2, 4, 5, 8, 11, 255}) {
        SCOPED_TRACE(static_cast<int>(type));
        ExpectNothingHappened(Buffer{type, 2, 1, 0, 0, 0});
    }
    ExpectNothingHappened(Buffer{});
}

TEST_F(Dispatch, TruncatedMessagesChangeNothing) {
    const std::vector<Buffer> whole = {
        Bytes(msg::Chat{"hi"}),
        Bytes(msg::PlayerLeft{101}),
        harness::BallEvent(2, "0"),
        harness::BallEvent(1, "180"),
        Bytes(msg::PaddleUpdate{"0", "1", "2", "3", "4"}),
        harness::SeatRequest(2, "101"),
        harness::SeatRequest(3, "102"),
    };
    for (const auto& m : whole) {
        for (std::size_t size = 1; size < m.size(); ++size) {
            SCOPED_TRACE(::testing::PrintToString(m) + " cut to " + std::to_string(size));
            ExpectNothingHappened(Buffer(m.begin(), m.begin() + static_cast<long>(size)));
        }
    }
}

}  // namespace
}  // namespace quorvex::server

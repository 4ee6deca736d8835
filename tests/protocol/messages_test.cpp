#include "protocol/messages.h"

#include <gtest/gtest.h>

namespace quorvex::msg {
namespace {

// Every message, a typical instance of it, and a check that two instances carry the same data.
template <class M, class Same>
void ExpectRoundTripAndTruncationSafety(const M& message, Same same) {
    const auto bytes = Encode(message);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ((*bytes)[0], static_cast<std::uint8_t>(M::kType));
    const auto back = Decode<M>(*bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(same(*back, message));

    // Extra bytes after the last field are ignored.
    Buffer longer = *bytes;
    longer.insert(longer.end(), {0xFF, 0x00, 0x13});
    const auto tolerant = Decode<M>(longer);
    ASSERT_TRUE(tolerant.has_value());
    EXPECT_TRUE(same(*tolerant, message));

    // Every shorter prefix is refused as a whole.
    for (std::size_t n = 0; n < bytes->size(); ++n) {
        const ByteView prefix(bytes->data(), n);
        EXPECT_FALSE(Decode<M>(prefix).has_value()) << "prefix of " << n << " bytes";
    }
}

TEST(Messages, EveryTypeRoundTripsAndRefusesEveryTruncation) {
    ExpectRoundTripAndTruncationSafety(Chat{"Myself:>hello"},
                                       [](auto& a, auto& b) { return a.line == b.line; });
    ExpectRoundTripAndTruncationSafety(Roster{{{"Server", 1}, {"Ann", 2}, {"", -5}}},
                                       [](auto& a, auto& b) { return a.entries == b.entries; });
    ExpectRoundTripAndTruncationSafety(PlayerLeft{-123456789},
                                       [](auto& a, auto& b) { return a.id == b.id; });
    ExpectRoundTripAndTruncationSafety(Scoreboard{{{"2", "0", "1"}, {"3", "4", "0"}}},
                                       [](auto& a, auto& b) { return a.seats == b.seats; });
    ExpectRoundTripAndTruncationSafety(BallUpdate{"5235", "3750", "90"}, [](auto& a, auto& b) {
        return a.left == b.left && a.top == b.top && a.angle == b.angle;
    });
    ExpectRoundTripAndTruncationSafety(BallEvent{kBallMiss, "2"}, [](auto& a, auto& b) {
        return a.kind == b.kind && a.value == b.value;
    });
    ExpectRoundTripAndTruncationSafety(
        PaddleUpdate{"1", "3000", "2232.07", "3708.51", "1526.37"}, [](auto& a, auto& b) {
            return a.seat == b.seat && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
        });
    ExpectRoundTripAndTruncationSafety(GameSettings{kGamePoints, "05"}, [](auto& a, auto& b) {
        return a.gameType == b.gameType && a.limit == b.limit;
    });
    ExpectRoundTripAndTruncationSafety(SeatRequest{kSeatGiveUpReady, "-7"}, [](auto& a, auto& b) {
        return a.request == b.request && a.id == b.id;
    });
    ExpectRoundTripAndTruncationSafety(ReadyTally{"3"},
                                       [](auto& a, auto& b) { return a.count == b.count; });
}

TEST(Messages, WrongTypeByteIsRefused) {
    const Buffer chat = *Encode(Chat{"x"});
    EXPECT_FALSE(Decode<ReadyTally>(chat).has_value());
    EXPECT_FALSE(Decode<Chat>(Buffer{}).has_value());
    EXPECT_FALSE(PeekType(Buffer{}).has_value());
    EXPECT_EQ(PeekType(Buffer{200}), 200);
}

TEST(Messages, NegativeCountsMeanEmptyLists) {
    // Last index -1 (no players) and a count of -3 seats.
    const auto roster = Decode<Roster>(Buffer{2, 0xFF, 0xFF});
    ASSERT_TRUE(roster.has_value());
    EXPECT_TRUE(roster->entries.empty());
    const auto seats = Decode<Scoreboard>(Buffer{4, 0xFD, 0xFF});
    ASSERT_TRUE(seats.has_value());
    EXPECT_TRUE(seats->seats.empty());
}

TEST(Messages, CountsThatPromiseMoreThanTheBytesFailWithoutAllocating) {
    EXPECT_FALSE(Decode<Roster>(Buffer{2, 0xFF, 0x7F, 1, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(Decode<Scoreboard>(Buffer{4, 0xFF, 0x7F, 0, 0}).has_value());
}

TEST(Messages, ListsBeyondTheir16BitCountCannotBeWritten) {
    Scoreboard big;
    big.seats.resize(32768);
    EXPECT_FALSE(Encode(big).has_value());
    big.seats.resize(32767);
    EXPECT_TRUE(Encode(big).has_value());
    Roster roster;
    roster.entries.resize(32769);
    EXPECT_FALSE(Encode(roster).has_value());
    roster.entries.resize(32768);  // last index 32767 still fits
    EXPECT_TRUE(Encode(roster).has_value());
}

TEST(Messages, OverlongTextCannotBeWritten) {
    EXPECT_FALSE(Encode(Chat{std::string(kMaxStringBytes + 1, 'a')}).has_value());
}

}  // namespace
}  // namespace quorvex::msg

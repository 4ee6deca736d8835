// Every message of the catalogue in both directions, its bytes written out by hand: a Byte as
// is, Integer and Long least significant byte first, a String as its 2-byte length and then its
// bytes. Writer and reader share one field list, so only fixed bytes catch a change of order.

#include <gtest/gtest.h>

#include "protocol/messages.h"

namespace quorvex::msg {
namespace {

// Also: bytes after the last field are ignored, and every shorter prefix is refused whole.
template <class M>
void ExpectBytes(const M& message, const Buffer& bytes) {
    EXPECT_EQ(Encode(message), bytes);
    EXPECT_EQ(Decode<M>(bytes), message);
    Buffer longer = bytes;
    longer.insert(longer.end(), {0xFF, 0x00, 0x13});
    EXPECT_EQ(Decode<M>(longer), message);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(Decode<M>(ByteView(bytes.data(), n))) << n << " bytes of type " << +bytes[0];
    }
}

TEST(ExactBytes, EveryMessageBothWays) {
    ExpectBytes(Chat{"Al:>hi"}, {1, 6, 0, 'A', 'l', ':', '>', 'h', 'i'});
    // The Integer is the last index: 1 for two entries.
    ExpectBytes(Roster{{{"Al", 2}, {"Bo", 0x01020304}}},
                {2, 1, 0, 2, 0, 0, 0, 2, 0, 'A', 'l', 4, 3, 2, 1, 2, 0, 'B', 'o'});
    ExpectBytes(PlayerLeft{-2}, {3, 0xFE, 0xFF, 0xFF, 0xFF});  // a client's own, or the server's
    ExpectBytes(PlayerLeft{0x01020304}, {3, 4, 3, 2, 1});
    ExpectBytes(Scoreboard{{{"2", "5", "7"}, {"3", "6", "8"}}},
                {4, 2, 0, 1, 0, '2', 1, 0, '3', 1, 0, '5', 1, 0, '6', 1, 0, '7', 1, 0, '8'});
    ExpectBytes(Scoreboard{}, {4, 0, 0});
    ExpectBytes(BallUpdate{"5235", "3750", "90"},
                {5, 4, 0, '5', '2', '3', '5', 4, 0, '3', '7', '5', '0', 2, 0, '9', '0'});
    ExpectBytes(BallEvent{kBallBounce, "-45"}, {6, 1, 3, 0, '-', '4', '5'});
    ExpectBytes(BallEvent{kBallMiss, "0"}, {6, 2, 1, 0, '0'});
    ExpectBytes(PaddleUpdate{"1", "2", "3", "4.5", "6"},
                {7, 1, 0, '1', 1, 0, '2', 1, 0, '3', 3, 0, '4', '.', '5', 1, 0, '6'});
    ExpectBytes(GameSettings{kGamePoints, "05"}, {8, 1, 2, 0, '0', '5'});
    ExpectBytes(GameSettings{kGameFreeForAll, ""}, {8, 3, 0, 0});
    ExpectBytes(SeatRequest{kSeatGiveUpReady, "7"}, {9, 3, 1, 0, '7'});
    ExpectBytes(ReadyRequest{}, {10});  // a client's: the type Byte alone
    ExpectBytes(ReadyTally{"12"}, {10, 2, 0, '1', '2'});
}

// What the codec refuses: a wrong type, counts that lie, lists and texts too long to write.
TEST(Messages, WrongTypeByteIsRefused) {
    const Buffer chat = *Encode(Chat{"x"});
    EXPECT_FALSE(Decode<ReadyTally>(chat).has_value());
    EXPECT_FALSE(Decode<Chat>(Buffer{}).has_value());
    EXPECT_FALSE(PeekType(Buffer{}).has_value());
    EXPECT_EQ(PeekType(Buffer{200}), 200);
}

TEST(Messages, NegativeCountsMeanEmptyLists) {
    // Last index -1 (no players) and a count of -3 seats.
    EXPECT_EQ(Decode<Roster>(Buffer{2, 0xFF, 0xFF}), Roster{});
    EXPECT_EQ(Decode<Scoreboard>(Buffer{4, 0xFD, 0xFF}), Scoreboard{});
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

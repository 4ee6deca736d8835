#include "protocol/messages.h"

#include <gtest/gtest.h>

namespace quorvex::msg {
namespace {

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

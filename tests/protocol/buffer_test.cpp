#include "protocol/buffer.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvex {
namespace {

TEST(Buffer, FieldsAreLittleEndianAndNarrowFromWideValues) {
    Buffer b;
    std::int32_t offset = BeginBuffer(b);
    ASSERT_TRUE(AppendData(b, 0x0A, 1, offset));
    ASSERT_TRUE(AppendData(b, static_cast<std::uint16_t>(-2), 2, offset));
    ASSERT_TRUE(AppendData(b, 0x12345678u, 4, offset));
    ASSERT_TRUE(AppendData(b, 0x1FFFF, 2, offset));  // a 16-bit count from a wider value
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(b, (Buffer{0x0A, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF}));
}

TEST(Buffer, OverlongStringIsRefusedWithoutWriting) {
    Buffer b;
    std::int32_t offset = 0;
    EXPECT_FALSE(AppendString(b, std::string(kMaxStringBytes + 1, 'x'), offset));
    EXPECT_EQ(offset, 0);
    EXPECT_TRUE(b.empty());
}

TEST(Buffer, ReadsPastTheEndFailAndLeaveTheOffset) {
    const Buffer b{0x05, 0x00, 'a', 'b'};  // a String that promises 5 bytes but has 2
    struct Case {
        std::int32_t offset;
        std::int32_t size;
    };
    for (const Case c :
         {Case{0, 8}, Case{3, 2}, Case{4, 1}, Case{-1, 1},
          Case{std::numeric_limits<std::int32_t>::max(), 1}, Case{0, 0}, Case{0, 9}}) {
        std::int32_t offset = c.offset;
        std::uint64_t v = 99;
        EXPECT_FALSE(ReadData(b, v, c.size, offset)) << c.offset << "/" << c.size;
        EXPECT_EQ(offset, c.offset);
        EXPECT_EQ(v, 99u);
    }
    std::int32_t offset = 0;
    std::string text = "kept";
    EXPECT_FALSE(ReadString(b, offset, text));
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(text, "kept");
    offset = 3;
    EXPECT_FALSE(ReadString(b, offset, text));  // only one of the two count bytes
}

TEST(Buffer, WritesRefuseOffsetsThatWouldOverflow) {
    Buffer b;
    std::int32_t offset = std::numeric_limits<std::int32_t>::max() - 1;
    EXPECT_FALSE(AppendData(b, 1, 4, offset));
    EXPECT_FALSE(AppendString(b, "x", offset));
    offset = -4;
    EXPECT_FALSE(AppendData(b, 1, 1, offset));
    EXPECT_TRUE(b.empty());
}

}  // namespace
}  // namespace quorvex

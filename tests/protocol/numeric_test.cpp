#include "protocol/numeric.h"
#include "protocol/buffer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <utility>

namespace quorvex {
namespace {

struct ValueCase {
    const char* text;
    double expected;
};

TEST(NumericValue, ReadsTheLeadingNumberOrZero) {
    const ValueCase cases[] = {
        {"12", 12},    {"   12", 12},       {"12abc", 12}, {"", 0},
        {"abc", 0},    {"-7", -7},          {"+7", 7},     {"3.5", 3.5},
        {".5", 0.5},   {"5.", 5},           {"-", 0},      {".", 0},
        {"1e3", 1000}, {"1e", 1},           {"1e+", 1},    {"2E-2x", 0.02},
        {"\t 4", 4},   {"0x10", 0},         {"inf", 0},    {"nan", 0},
        {"1,5", 1},    {"  -0.25 ", -0.25}, {"1e-400", 0}, {"0.000", 0},
        {"007", 7},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NumericValue(c.text).value_or(NAN), c.expected) << '"' << c.text << '"';
    }
}

TEST(NumericValue, TooLargeForADoubleIsAFailureNotInfinity) {
    EXPECT_FALSE(NumericValue("1e999").has_value());
    EXPECT_FALSE(NumericValue(std::string(400, '9')).has_value());
    EXPECT_TRUE(NumericValue("0." + std::string(400, '0') + "1").has_value());
}

TEST(StrictNumber, AcceptsOnlyAWholeFiniteNumber) {
    const ValueCase good[] = {{"135", 135},   {" 135 ", 135}, {"-90", -90},        {"0.5", 0.5},
                              {"1e20", 1e20}, {"+3", 3},      {"2232.07", 2232.07}};
    for (const auto& c : good) {
        EXPECT_DOUBLE_EQ(StrictNumber(c.text).value_or(NAN), c.expected) << c.text;
    }
    for (const char* bad : {"", " ", "abc", "12abc", "inf", "-inf", "nan", "NaN", "0x1A", "1e999",
                            "1,5", "--1", "1 2", "."}) {
        EXPECT_FALSE(StrictNumber(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(Numeric, IgnoresTheDesktopLocale) {
    // A German desktop writes 1,5; our texts always use the full stop, in and out.
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        std::setlocale(LC_NUMERIC, "C");
    }
    EXPECT_EQ(*StrictNumber("1.5"), 1.5);
    EXPECT_EQ(FormatDouble(1.5), "1.5");
    EXPECT_EQ(FormatSingle(2232.07f), "2232.07");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},      {2.5, 2},    {-0.5, 0},
                                               {-1.5, -2}, {-2.5, -2},    {2.4999, 2}, {2.5001, 3},
                                               {-3.7, -4}, {1e300, 1e300}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(RoundHalfEven(in), out) << in;
    }
}

TEST(Narrowing, RefusesValuesOutsideTheRange) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(-32768), -32768);
    EXPECT_FALSE(ToInt16(32767.6).has_value());
    EXPECT_FALSE(ToInt16(-32769).has_value());
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(ToInt32(2147483648.0).has_value());
    EXPECT_FALSE(ToInt32(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(ToInt32(std::nan("")).has_value());
    EXPECT_EQ(ToInt32(2.5), 2);
}

struct FormatCase {
    double value;
    const char* single;
    const char* twice;
};

TEST(Format, PlainDigitsWithinThePrecision) {
    const FormatCase cases[] = {
        {0, "0", "0"},
        {-0.0, "0", "0"},
        {5235, "5235", "5235"},
        {-90, "-90", "-90"},
        {2232.0703125, "2232.07", "2232.0703125"},
        {8484.584, "8484.584", "8484.584"},
        {0.0047560, "0.004756", "0.004756"},
        {1e20, "100000000000000000000", "100000000000000000000"},
        {1234567.89, "1234568", "1234567.89"},
        {224.954123456789012, "224.9541", "224.954123456789"},
        {1e-7, "0.0000001", "0.0000001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSingle(static_cast<float>(c.value)), c.single) << c.value;
        EXPECT_EQ(FormatDouble(c.value), c.twice) << c.value;
    }
    EXPECT_EQ(FormatInteger(-2147483648LL), "-2147483648");
    EXPECT_EQ(FormatInteger(0), "0");
}

// The byte buffer under every message: a 16-bit count taken from a wider value keeps its low
// bytes, and a write that cannot be done whole leaves the buffer and the offset as they were.
TEST(Buffer, WritesNarrowWideValuesAndFailWhole) {
    Buffer b;
    std::int32_t offset = BeginBuffer(b);
    ASSERT_TRUE(AppendData(b, 0x1FFFF, 2, offset));
    EXPECT_FALSE(AppendString(b, std::string(kMaxStringBytes + 1, 'x'), offset));
    EXPECT_EQ(offset, 2);
    for (const std::int32_t far : {std::numeric_limits<std::int32_t>::max() - 1, -4}) {
        offset = far;
        EXPECT_FALSE(AppendData(b, 1, 4, offset));
        EXPECT_FALSE(AppendString(b, "x", offset));
        EXPECT_EQ(offset, far);
    }
    EXPECT_EQ(b, (Buffer{0xFF, 0xFF}));
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

}  // namespace
}  // namespace quorvex

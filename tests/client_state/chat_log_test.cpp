#include "client/state/chat_log.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvex::client {
namespace {

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out.append(piece);
    return out;
}

struct BoundaryCase {
    const char* name;
    std::string_view character;  // one code point, 1 to 4 bytes
    std::size_t count;           // characters in the line; the CR LF adds two
    bool kept;
};

class ChatLogBoundary : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(ChatLogBoundary, EmptiesOnlyPastThirtyThousandCharacters) {
    const auto& c = GetParam();
    ChatLog log;
    const std::string line = Repeat(c.character, c.count);
    log.AddChatLine(line);
    if (c.kept) {
        EXPECT_EQ(log.Text(), line + "\r\n");
        EXPECT_EQ(log.Characters(), c.count + 2);
    } else {
        EXPECT_EQ(log.Text(), "");
        EXPECT_EQ(log.Characters(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ChatLogBoundary,
    ::testing::Values(BoundaryCase{"AsciiExactly30000", "x", 29998, true},
                      BoundaryCase{"Ascii30001", "x", 29999, false},
                      BoundaryCase{"TwoByteExactly30000", "\xC3\xA9", 29998, true},
                      BoundaryCase{"TwoByte30001", "\xC3\xA9", 29999, false},
                      BoundaryCase{"FourByteExactly30000", "\xF0\x9F\x8F\x93", 29998, true}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(ChatLog, TheLineThatCrossesTheLimitGoesWithTheRest) {
    ChatLog log;
    log.AddChatLine(Repeat("a", 20000));  // 20002
    log.AddChatLine(Repeat("b", 9996));   // 30000 exactly
    EXPECT_EQ(log.Characters(), 30000u);
    log.AddChatLine("");  // 30002
    EXPECT_EQ(log.Text(), "");
    log.AddChatLine("fresh");
    EXPECT_EQ(log.Text(), "fresh\r\n");
}

TEST(ChatLog, InvalidBytesBecomeOneReplacementCharacterEach) {
    ChatLog log;
    // A stray continuation, an overlong slash, a surrogate half and a sequence cut short.
    log.AddChatLine(
        "a\x80"
        "b\xC0\xAF"
        "c\xED\xA0\x80"
        "d\xE2\x82");
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(log.Text(), "a" + r + "b" + r + r + "c" + r + r + r + "d" + r + r + "\r\n");
    EXPECT_EQ(log.Characters(), 4u + 8u + 2u);
}

TEST(ChatLog, ExitNoticeHasNoCarriageReturnAndNoLimit) {
    ChatLog log;
    log.AddChatLine(Repeat("x", 29998));
    log.AppendExitNotice();
    EXPECT_EQ(log.Text(), Repeat("x", 29998) + "\r\n\nPlease Wait While Program Exits");
}

TEST(ChatLog, EveryChangeMovesTheRevision) {
    ChatLog log;
    const auto r0 = log.Revision();
    log.AddChatLine("one");
    const auto r1 = log.Revision();
    log.AddChatLine(Repeat("x", 30000));  // emptied: still a change
    const auto r2 = log.Revision();
    log.AppendExitNotice();
    EXPECT_LT(r0, r1);
    EXPECT_LT(r1, r2);
    EXPECT_LT(r2, log.Revision());
}

}  // namespace
}  // namespace quorvex::client

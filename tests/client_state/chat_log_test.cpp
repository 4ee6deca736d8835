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

// The limit counts characters, not bytes, and only a log past 30000 of them (CR LF included)
// empties: an off-by-one or a byte count shows here.
TEST(ChatLog, EmptiesOnlyPastThirtyThousandCharacters) {
    for (const std::string_view character : {"x", "\xC3\xA9"}) {
        for (const std::size_t count : {29998u, 29999u}) {  // the CR LF adds two
            ChatLog log;
            log.AddChatLine(Repeat(character, count));
            EXPECT_EQ(log.Text(), count == 29998 ? Repeat(character, count) + "\r\n" : "")
                << character.size() << " bytes, " << count;
        }
    }
    // The line that crosses the limit goes with the rest, and the log starts afresh after it.
    ChatLog log;
    log.AddChatLine(Repeat("a", 20000));
    log.AddChatLine(Repeat("b", 9996));  // 30000 exactly
    EXPECT_EQ(log.Characters(), 30000u);
    log.AddChatLine("");
    EXPECT_EQ(log.Text(), "");
    log.AddChatLine("fresh");
    EXPECT_EQ(log.Text(), "fresh\r\n");
}

// Network bytes that are no UTF-8 must not reach the view as such, nor skew the count.
TEST(ChatLog, InvalidBytesBecomeOneReplacementCharacterEach) {
    ChatLog log;
    log.AddChatLine(std::string("a\x80") + "b\xC0\xAF" + "c\xE2\x82");
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(log.Text(), "a" + r + "b" + r + r + "c" + r + r + "\r\n");
    EXPECT_EQ(log.Characters(), 3u + 5u + 2u);
}

}  // namespace
}  // namespace quorvex::client

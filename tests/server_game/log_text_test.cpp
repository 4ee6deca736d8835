#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "server/game/log_text.h"
#include "server/game/log_throttle.h"

namespace quorvex::server {
namespace {

// Names pass unchanged when they only show, in any script; whatever would act on the terminal
// (controls, C1, bidi overrides, isolates and marks, line separators) or is no UTF-8 at all is
// escaped, so a name can neither break the line nor turn the rest of it around.
TEST(LogEscaping, EveryControlBidiCharacterAndInvalidByteIsEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        // honest names
        {"Ann", R"("Ann")"},
        {"Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80",
         "\"Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\""},
        {"a\xC2\xA0_\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
         "\"a\xC2\xA0_\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\""},
        {"~\x7E", R"("~~")"},
        // quotes and backslashes
        {R"(a"b\c)", R"("a\"b\\c")"},
        // C0 and DEL
        {"a\nb\r\x1B[2J\x7F\t", R"("a\x0Ab\x0D\x1B[2J\x7F\x09")"},
        // C1 as characters, and as lone bytes
        {"\xC2\x9Bm\xC2\x80\xC2\x9F", R"("\u009Bm\u0080\u009F")"},
        {"\x9Bm", R"("\x9Bm")"},
        // bidi overrides, isolates and marks; line and paragraph separators
        {"evil\xE2\x80\xAEgnp.exe", R"("evil\u202Egnp.exe")"},
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD", R"("\u202A\u202B\u202C\u202D")"},
        {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", R"("\u2066\u2067\u2068\u2069")"},
        {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", R"("\u200E\u200F\u061C")"},
        {"a\xE2\x80\xA8z\xE2\x80\xA9", R"("a\u2028z\u2029")"},
        {"\xE2\x80\xAF\xE2\x81\xA5\xE2\x80\x8D", "\"\xE2\x80\xAF\xE2\x81\xA5\xE2\x80\x8D\""},
        // no UTF-8: overlong forms, surrogates, past U+10FFFF, cut short, stray continuation
        {"\xC0\xAF\xC1\xBF\xE0\x80\xAF\xED\xA0\x80",
         R"("\xC0\xAF\xC1\xBF\xE0\x80\xAF\xED\xA0\x80")"},
        {"\xF4\x90\x80\x80\xF5\x80\xF0\x8F\xBF\xBF",
         R"("\xF4\x90\x80\x80\xF5\x80\xF0\x8F\xBF\xBF")"},
        {"ab\xE2\x80", R"("ab\xE2\x80")"},
        {"\xE2z\xE2\x80z\x80\xBF\xFF\xFE", R"("\xE2z\xE2\x80z\x80\xBF\xFF\xFE")"},
        {"\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},
    };
    for (const auto& [name, logged] : cases) {
        EXPECT_EQ(LogQuoted(name), logged) << ::testing::PrintToString(name);
        // The line-wide pass escapes the same and leaves quotes and backslashes alone.
        EXPECT_EQ("\"" + LogSafe(name) + "\"",
                  name.find_first_of("\"\\") == std::string::npos ? logged : "\"" + name + "\"")
            << ::testing::PrintToString(name);
    }
    EXPECT_EQ(LogSafe(R"(say "\x1B" twice)"), R"(say "\x1B" twice)");
    EXPECT_EQ(LogSafe(LogQuoted("\x1B\xE2\x80\xAE")), LogQuoted("\x1B\xE2\x80\xAE"));
}

// A list in one log line shows its first items within a screen line and counts the rest; the
// first item is always shown, however long.
TEST(LogSeatList, ALongListShowsWhatFitsAndCountsTheRest) {
    // Items, width of each, shown. "seats: " (7), then 11 and 13 more for each further one:
    // 8 make 109, 9 would make 122.
    const std::tuple<std::size_t, std::size_t, std::size_t> cases[] = {
        {0, 10, 0}, {3, 10, 3},  {11, 11, 8}, {9, 11, 8},
        {8, 11, 8}, {1, 300, 1}, {2, 300, 1}, {3801, 12, 8},
    };
    for (const auto& [count, width, shown] : cases) {
        SCOPED_TRACE(count);
        std::vector<std::string> items;
        std::string line = "seats: ";
        for (std::size_t i = 0; i < count; ++i) {
            items.push_back(std::string(width - 1, 'x') + std::to_string(i % 10));
            if (i < shown)
                line += (i == 0 ? "" : ", ") + items.back();
        }
        if (shown < count)
            line += ", ... and " + std::to_string(count - shown) + " more";
        EXPECT_EQ(ListWithinLine("seats: ", items, ", "), line);
    }
    // Exactly a screen line still shows whole.
    const std::vector<std::string> exact = {std::string(kScreenLineChars - 7 - 2 - 10, 'y'),
                                            std::string(10, 'z')};
    EXPECT_EQ(ListWithinLine("seats: ", exact, ", ").size(), kScreenLineChars);
}

// Each cause writes a burst of lines and then two a second; the rest is counted and said in
// one summary when the cause has room again, which takes the room of a line. Causes do not
// share their room.
TEST(LogRate, ACauseWritesABurstThenAFewLinesASecondAndCountsTheRest) {
    struct Step {
        std::int64_t atMs;
        const char* cause;
        int lines;                                    // offered at once
        int written;                                  // of them
        std::vector<LogThrottle::Summary> summaries;  // due after them
    };
    const Step steps[] = {
        {0, "seats", 10, 10, {}},                 // the burst
        {0, "seats", 3800, 0, {}},                // a flood, all held back
        {0, "joined", 3, 3, {}},                  // another cause keeps its room
        {499, "seats", 0, 0, {}},                 // not yet a whole line's room
        {500, "seats", 0, 0, {{"seats", 3800}}},  // the summary takes the first room
        {1000, "seats", 5, 1, {}},                // one more line's room
        {10000, "seats", 0, 0, {{"seats", 4}}},   // the rest of that second, said later
        {10000, "seats", 20, 9, {}},              // refilled to a burst, less the summary's room
    };
    LogThrottle throttle;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.atMs);
        int written = 0;
        for (int i = 0; i < step.lines; ++i)
            written += throttle.Admit(step.cause, step.atMs) ? 1 : 0;
        EXPECT_EQ(written, step.written);
        const auto due = throttle.DueSummaries(step.atMs);
        ASSERT_EQ(due.size(), step.summaries.size());
        for (std::size_t i = 0; i < due.size(); ++i) {
            EXPECT_EQ(due[i].cause, step.summaries[i].cause);
            EXPECT_EQ(due[i].count, step.summaries[i].count);
        }
    }
    EXPECT_TRUE(throttle.Holding());

    // Lines differing in numbers, addresses or names share their cause.
    const std::pair<std::string, std::string> causes[] = {
        {"Refused a connection from 10.0.0.7: wrong password", "Refused a connection from"},
        {"Refused a connection from fe80::1: wrong password", "Refused a connection from"},
        {"Dropped 12 chat lines from player 7: over its chat limit", "Dropped"},
        {"Ignored a Chat line under another name", "Ignored a Chat line"},
        {"Disconnected player 9: far over", "Disconnected player"},
        {"42 things", ""},
    };
    for (const auto& [line, cause] : causes)
        EXPECT_EQ(LineCause(line), cause) << line;
}

}  // namespace
}  // namespace quorvex::server

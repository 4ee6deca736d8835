// The dedicated server's log under a flood: each cause writes its burst and then summaries,
// other causes and the operator's own lines go on, and names reach it escaped.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "server/dedicated/event_log.h"
#include "tests/support/recording_outbox.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

struct CapturedLog {
    CapturedLog() : out(open_memstream(&buffer, &size)) {}
    ~CapturedLog() {
        std::fclose(out);
        std::free(buffer);
    }
    std::string Text() {
        std::fflush(out);
        return std::string(buffer, size);
    }
    std::size_t Count(const std::string& text) {
        const std::string all = Text();
        std::size_t count = 0;
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++count;
        return count;
    }
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out;
};

TEST(EventLogFlood, EachCauseWritesABurstThenSaysHowManyItLeftOut) {
    RecordingOutbox outbox;
    server::ServerGame game(outbox);
    CapturedLog captured;
    std::int64_t now = 0;
    server::EventLog log(game, captured.out, [&] { return now; });
    game.SetEvents(&log);
    game.SetPlayerMaximum(3);
    game.OnCreatePlayer(1, "host");
    game.OnCreatePlayer(7, "Eve\x1B[2J\xE2\x80\xAE\xC2\x9B\xFF");
    const Buffer take = Bytes(msg::SeatRequest{msg::kSeatTake, "7"});
    for (int i = 0; i < 3800; ++i)
        game.OnReceive(take);
    for (int i = 0; i < 500; ++i)
        log.Notice("Refused a connection from 10.0.0." + std::to_string(i % 250) +
                   ": wrong password");
    game.OnCreatePlayer(8, "Ann");  // another cause keeps its room
    for (int i = 0; i < 30; ++i)
        log.Line("player " + std::to_string(i));  // the operator's own lines are never held

    // The name is escaped wherever it appears; nothing raw reaches the terminal.
    const std::string escaped = R"("Eve\x1B[2J\u202E\u009B\xFF")";
    EXPECT_EQ(captured.Count("joined: 7 " + escaped), 1u);
    EXPECT_EQ(captured.Text().find('\x1B'), std::string::npos);
    EXPECT_EQ(captured.Count("ignored: a further seat for 7 " + escaped), 10u);
    // Eve's seat, two more up to the maximum of 3, and Ann's first seat beyond it.
    EXPECT_EQ(captured.Count("seats: 0 7 "), 4u);
    EXPECT_EQ(captured.Count("Refused a connection from 10.0.0."), 10u);
    EXPECT_EQ(captured.Count("joined: 8 \"Ann\""), 1u);
    EXPECT_EQ(captured.Count("player 29\n"), 1u);

    // A second later each flood says what it left out, once, within the timer's interval.
    now = 1000;
    EXPECT_TRUE(WaitUntil(
        [&] { return captured.Count("ignored: 3788 more requests for a further seat") == 1; },
        2000))
        << captured.Text();
    EXPECT_EQ(captured.Count("Refused a connection from ...: 490 more lines like this not logged"),
              1u);
    EXPECT_LT(captured.Text().size(), 10000u);
    game.SetEvents(nullptr);
}

TEST(EventLogJson, OneObjectPerEventWithItsKindAndPlayer) {
    RecordingOutbox outbox;
    server::ServerGame game(outbox);
    CapturedLog captured;
    server::EventLog log(game, captured.out);
    log.SetJson(true);
    game.SetEvents(&log);
    game.SetPlayerMaximum(3);
    game.OnCreatePlayer(1, "host");
    game.OnCreatePlayer(7, "Eve \"\\\x1B");
    log.Line("players: 1");
    game.SetEvents(nullptr);
    const std::string text = captured.Text();
    const struct {
        const char* part;
    } rows[] = {
        {R"("event":"joined","player":7,"text":"joined: 7 \"Eve \\\"\\\\\\x1B\""})"},
        {R"("event":"console","text":"players: 1"})"},
    };
    for (const auto& row : rows)
        EXPECT_NE(text.find(row.part), std::string::npos) << row.part << "\n" << text;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_EQ(text.compare(start, 9, "{\"time\":\""), 0) << text.substr(start, end - start);
}

}  // namespace
}  // namespace quorvex::test

// A player speaks only for itself: what one names for another player is ignored, while the
// same message naming itself works as before.

#include <gtest/gtest.h>

#include "server/host/server_session.h"
#include "tests/support/bot.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

struct Table {
    Table() : prompter({"11"}) {
        session.InitServer(prompter, 0);
        session.SetLogCallback([this](const std::string& line) { log.push_back(line); });
        ann = Join("Ann");
        eve = Join("Eve");
    }
    std::unique_ptr<Bot> Join(const std::string& name) {
        const auto seats = session.Game().Seats().size();
        auto bot = std::make_unique<Bot>(session.Port(), name);
        EXPECT_TRUE(bot->WaitConnected());
        EXPECT_TRUE(WaitUntil([&] { return session.Game().Seats().size() == seats + 1; }));
        return bot;
    }
    // Seat rows and roster entries as "id:misses" and ids, the state a claim could change.
    std::string State() {
        std::string text;
        for (const auto& row : session.Game().Seats()) {
            text += row.playerIndex + ":" + row.playerMisses + " ";
        }
        for (const auto& entry : session.Game().Roster()) {
            text += std::to_string(entry.id) + " ";
        }
        return text;
    }

    ScriptedPrompter prompter;
    server::ServerSession session{FastLimits()};
    std::vector<std::string> log;
    std::unique_ptr<Bot> ann;
    std::unique_ptr<Bot> eve;
};

TEST(SenderChecks, ClaimsForAnotherPlayerAreIgnoredAndOwnOnesStillWork) {
    // Each claim as Eve sends it, naming a player's identifier or, for a miss, a seat.
    const auto claim = [](int kind, const std::string& id, const std::string& seat) {
        switch (kind) {
            case 0:
                return msg::Encode(msg::PlayerLeft{std::stoi(id)});
            case 4:
                return msg::Encode(msg::BallEvent{2, seat});
            default:  // take a seat, give one up, give one up and withdraw the ready
                return msg::Encode(msg::SeatRequest{static_cast<std::uint8_t>(kind), id});
        }
    };
    for (const int kind : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(kind);
        Table t;
        const std::string annId = std::to_string(t.ann->Id());
        const std::string eveId = std::to_string(t.eve->Id());
        const std::string before = t.State();
        const auto readyBefore = t.session.Game().ReadyCount();
        // Eve names Ann (seat 0), then a marker that must arrive after it: a Chat.
        ASSERT_TRUE(t.eve->SendBytes(*claim(kind, annId, "0")));
        ASSERT_TRUE(t.eve->Send(msg::Chat{"Eve:>marker"}));
        ASSERT_TRUE(WaitUntil([&] { return !t.ann->All<msg::Chat>().empty(); }));
        EXPECT_EQ(t.State(), before);
        EXPECT_EQ(t.session.Game().ReadyCount(), readyBefore);
        EXPECT_EQ(t.session.IgnoredClaims(), 1);
        ASSERT_EQ(t.log.size(), 1U);
        EXPECT_NE(t.log[0].find("from player " + eveId), std::string::npos) << t.log[0];

        // Naming herself (seat 1), Eve is heard.
        ASSERT_TRUE(t.eve->SendBytes(*claim(kind, eveId, "1")));
        EXPECT_TRUE(WaitUntil([&] { return t.State() != before; }));
        EXPECT_EQ(t.session.IgnoredClaims(), 1);
    }
}

}  // namespace
}  // namespace quorvex::test

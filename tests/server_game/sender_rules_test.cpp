#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;

constexpr std::int32_t kAnn = 101, kBob = 102, kCy = 103;

// One step of a table: a message from `sender` as the host hands it over, or (kind Join) a
// newcomer with that identifier, or (kind Settings) the settings going out, as at a round's
// end. Repeated `times`.
struct Step {
    enum Kind { Message, Join, Settings } kind;
    std::int32_t sender = 0;
    Buffer message = {};
    int times = 1;
};
Step Send(std::int32_t sender, Buffer message, int times = 1) {
    return {Step::Message, sender, std::move(message), times};
}
Step Take(std::int32_t id, int times = 1) {
    return Send(id, SeatRequest(1, std::to_string(id)), times);
}
Step GiveUp(std::int32_t id) {
    return Send(id, SeatRequest(2, std::to_string(id)));
}
Step Withdraw(std::int32_t id, int times = 1) {
    return Send(id, SeatRequest(3, std::to_string(id)), times);
}
Step ReadyFrom(std::int32_t id, int times = 1) {
    return Send(id, Ready(), times);
}
const Step kNewcomer{Step::Join, 104};
const Step kRoundEnds{Step::Settings};

// Runs the steps on `game`, through the sender check when `checked`, or as the bare message
// (what the message alone says, the sender unknown) otherwise.
void Play(Game& game, const std::vector<Step>& steps, bool checked) {
    for (const Step& step : steps) {
        for (int i = 0; i < step.times; ++i) {
            if (step.kind == Step::Join)
                game.OnCreatePlayer(step.sender, "dee");
            else if (step.kind == Step::Settings)
                game.SendGameSettings();
            else if (checked)
                From(game, step.sender, step.message);
            else
                game.OnReceive(step.message);
        }
    }
}

// A player's further seats stop at the session's player maximum (4 here: three clients and the
// server's own player); a first seat is always given, so extra seats keep nobody out. Honest
// players hold one seat each and end as they would with no maximum at all.
TEST(SeatBound, FurtherSeatsStopAtThePlayerMaximumAndFirstSeatsNever) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        Rows rows;
        std::size_t ignored;
    } cases[] = {
        {"spectate, join again", {GiveUp(kAnn), Take(kAnn)}, {"102", "103", "101"}, 0},
        {"after Ready", {ReadyFrom(kBob), Withdraw(kBob), Take(kBob)}, {"101", "103", "102"}, 0},
        {"a newcomer at a full table", {kNewcomer}, {"101", "102", "103", "104"}, 0},
        {"seat after seat", {Take(kAnn, 5)}, {"101", "102", "103", "101"}, 4},
        {"extra seats give way to a spectator",
         {GiveUp(kCy), Take(kAnn, 3), Take(kCy)},
         {"101", "102", "101", "103"},
         1},
        {"the extra seat gives way, not a single one",
         {GiveUp(kBob), GiveUp(kCy), Take(kAnn, 2), Take(kBob), Take(kCy), Take(kAnn)},
         {"101", "101", "102", "103"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Game g({"ann", "bob", "cy"});
        g.SetPlayerMaximum(4);
        IgnoredRequests events;
        g.SetEvents(&events);
        Play(g, c.steps, true);
        EXPECT_EQ(Column(g, &SeatRow::playerIndex), c.rows);
        EXPECT_EQ(events.ignored.size(), c.ignored);
        for (const auto& [player, what] : events.ignored)
            EXPECT_EQ(what, IgnoredRequest::SeatOverPlayerMaximum);
        // Every seat change was told; an ignored request sent nothing.
        ASSERT_FALSE(g.All<msg::Scoreboard>().empty());
        EXPECT_EQ(g.All<msg::Scoreboard>().back().seats.size(), c.rows.size());
        if (c.ignored == 0) {
            Game unbounded({"ann", "bob", "cy"});
            Play(unbounded, c.steps, true);
            EXPECT_EQ(unbounded.sent, g.sent);
        }
    }
}

// A player's Ready counts once per lobby, and its withdrawal takes back only a ready it gave.
// Honest sequences count as the bare messages always did; the hostile ones no longer move the
// count, each ignored request being one the bare message counted. The withdrawal that crosses a
// round's end is the one sequence an honest client can send that now ends otherwise: at 0
// rather than at -1, where no round could start again.
TEST(ReadyOnce, EachPlayersReadyCountsOncePerLobby) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        int count, countUnchecked;
    } cases[] = {
        {"Join, Ready, Spectate", {ReadyFrom(kAnn), Withdraw(kAnn)}, 0, 0},
        {"Spectate, Join, Ready", {GiveUp(kAnn), Take(kAnn), ReadyFrom(kAnn)}, 1, 1},
        {"again", {ReadyFrom(kAnn), Withdraw(kAnn), Take(kAnn), ReadyFrom(kAnn)}, 1, 1},
        {"everyone ready", {ReadyFrom(kAnn), ReadyFrom(kBob), ReadyFrom(kCy)}, 3, 3},
        {"a newcomer", {ReadyFrom(kAnn), kNewcomer}, 1, 1},
        {"a new lobby", {ReadyFrom(kAnn), ReadyFrom(kBob), kRoundEnds, ReadyFrom(kAnn)}, 1, 1},
        {"a leaver's", {ReadyFrom(kAnn), Send(kAnn, Bytes(msg::PlayerLeft{kAnn}))}, 1, 1},
        {"Ready again and again", {ReadyFrom(kAnn, 50)}, 1, 50},
        {"withdrawals without a ready", {Withdraw(kBob, 50)}, 0, -50},
        {"withdrawn twice", {ReadyFrom(kAnn), Withdraw(kAnn, 2)}, 0, -1},
        {"Ready from off the roster", {ReadyFrom(999, 3)}, 0, 3},
        {"withdrawn after a round", {ReadyFrom(kAnn), kRoundEnds, Withdraw(kAnn)}, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Game checked({"ann", "bob", "cy"}), unchecked({"ann", "bob", "cy"});
        IgnoredRequests events;
        checked.SetEvents(&events);
        Play(checked, c.steps, true);
        Play(unchecked, c.steps, false);
        EXPECT_EQ(checked.ReadyCount(), c.count);
        EXPECT_EQ(unchecked.ReadyCount(), c.countUnchecked);
        EXPECT_EQ(events.ignored.size(),
                  static_cast<std::size_t>(std::abs(c.countUnchecked - c.count)));
        // The seats go as before, whatever happens to the count.
        EXPECT_EQ(Column(checked, &SeatRow::playerIndex), Column(unchecked, &SeatRow::playerIndex));
        if (c.count == c.countUnchecked) {
            EXPECT_EQ(checked.sent, unchecked.sent);
        }
    }
}

// A bounce turns the ball only when its sender holds a seat: a spectator, or a connection off
// the roster, cannot steer it.
TEST(BounceSender, OnlyASeatedPlayerTurnsTheBall) {
    struct Case {
        const char* what;
        std::vector<Step> before;
        std::int32_t sender;
        bool taken;
    };
    const Case cases[] = {
        {"a seated player", {}, kBob, true},
        {"a player seated again", {GiveUp(kBob), Take(kBob)}, kBob, true},
        {"a player with two seats giving one up", {Take(kBob), GiveUp(kBob)}, kBob, true},
        {"a spectator", {GiveUp(kBob)}, kBob, false},
        {"off the roster", {}, 999, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Game g({"ann", "bob"});
        Play(g, c.before, true);
        const auto before = Dump(g);
        const Buffer bounce = BallEvent(1, "135");
        EXPECT_EQ(g.ForeignClaim(c.sender, bounce).has_value(), !c.taken);
        if (c.taken) {
            EXPECT_TRUE(g.OnReceive(bounce));
        }
        EXPECT_EQ(g.BallAngle(), c.taken ? "135" : "0");
        if (!c.taken) {
            EXPECT_EQ(Dump(g), before);
        }
    }
}

// A Chat line is relayed only under its sender's own roster name and ":>", as every client
// writes it; any other start is someone speaking for another.
TEST(ChatSender, RelayedOnlyUnderTheSendersOwnName) {
    const std::tuple<std::int32_t, std::string, bool> cases[] = {
        // sender (ann, bob, or "a:>b"), line, relayed
        {kAnn, "ann:>hello", true}, {kAnn, "ann:>", true},    {kAnn, "ann:>bob:>hi", true},
        {kCy, "a:>b:>hi", true},    {kAnn, "bob:>hi", false}, {kBob, "ann:>hi", false},
        {kAnn, "annie:>hi", false}, {kAnn, "Ann:>hi", false}, {kAnn, "ann: hi", false},
        {kAnn, "ann", false},       {kAnn, "", false},        {kCy, "a:>hi", false},
        {999, "ann:>hi", false},
    };
    for (const auto& [sender, line, relayed] : cases) {
        SCOPED_TRACE(line);
        Game g({"ann", "bob", "a:>b"});
        const Buffer chat = Bytes(msg::Chat{line});
        EXPECT_EQ(From(g, sender, chat), relayed);
        EXPECT_EQ(g.sent, relayed ? std::vector<Buffer>{chat} : std::vector<Buffer>{});
    }
}

}  // namespace
}  // namespace quorvex::server

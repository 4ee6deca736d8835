// Which sound each thing that happens makes, over recorded message sequences: no audio here,
// only the state's recognition and the cue rule behind it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "client/sound/cue.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using sound::Cue;
using Step = std::function<void(ClientState&)>;

const char* Name(Cue cue) {
    static const char* const kNames[] = {"bounce", "ownhit", "otherhit", "ownmiss", "othermiss",
                                         "round",  "lobby",  "ready",    "chat",    "lost"};
    return kNames[static_cast<std::size_t>(cue)];
}

template <class M>
Step Got(const M& message) {
    return [bytes = Bytes(message)](ClientState& s) { s.HandleMessage(bytes); };
}
Step Ball(const char* left, const char* top, const char* angle) {
    return Got(msg::BallUpdate{left, top, angle});
}
msg::Scoreboard Misses(const char* anna, const char* me, const char* bert) {
    return {{{"11", "0", anna}, {"33", "0", me}, {"22", "0", bert}}};
}
// The ball's centre on the middle of the own paddle, which lies on the own side: a hit.
const Step kOnOwnPaddle = [](ClientState& s) {
    const auto& side = s.Arena().players[static_cast<std::size_t>(s.PlayerID())];
    const auto left = std::to_string((side.x1 + side.x2) / 2 - 127.5f);
    const auto top = std::to_string((side.y1 + side.y2) / 2 - 127.5f);
    s.HandleMessage(Bytes(msg::BallUpdate{left, top, "45"}));
};

struct Case {
    const char* what;
    std::vector<Step> steps;
    std::string cues;
};

const Case kCases[] = {
    {"an edge sounds once while the ball is beyond it; the turn it causes is no one's hit",
     {Ball("5000", "3000", "45"), Ball("-5", "3000", "45"), Ball("-5", "3000", "675"),
      Ball("300", "3000", "675"), Ball("-5", "-5", "675")},
     "bounce bounce"},
    {"a turn nothing here explains is another player's hit",
     {Ball("5000", "3000", "45"), Ball("5200", "2800", "45"), Ball("5400", "2600", "200")},
     "otherhit"},
    {"own hit, and the turn the server then sends is ours",
     {Ball("5000", "3000", "45"), kOnOwnPaddle, Ball("5000", "3000", "90")},
     "ownhit"},
    {"misses by who took them; the new ball's direction is no hit",
     {Ball("5000", "3000", "45"), Got(Misses("1", "0", "0")), Ball("5235", "3750", "200"),
      Got(Misses("1", "1", "0")), Got(Misses("0", "0", "0"))},
     "othermiss ownmiss"},
    {"lobby opens once, everyone ready, then the round's first ball",
     {Got(msg::GameSettings{msg::kGamePoints, "3"}), Got(msg::GameSettings{msg::kGamePoints, "3"}),
      Got(msg::ReadyTally{"2"}), Got(msg::ReadyTally{"3"}), Ball("5000", "3000", "45"),
      Ball("5000", "3200", "45")},
     "lobby ready round"},
    {"chat from others only",
     {Got(msg::Chat{"Anna:>hi"}), Got(msg::Chat{"Me:>hi"}), Got(msg::Chat{"Mex:>hi"})},
     "chat chat"},
    {"the connection lost", {[](ClientState& s) { s.OnTerminateSession(); }}, "lost"},
    {"nothing once the exit began",
     {[](ClientState& s) { s.BeginExit(); }, Got(msg::Chat{"Anna:>bye"}),
      [](ClientState& s) { s.OnTerminateSession(); }},
     ""},
    {"nothing recorded when nobody listens",
     {[](ClientState& s) { s.RecordHappenings(false); }, Got(msg::Chat{"Anna:>hi"})},
     ""},
};

class CueTableTest : public ClientTest {};

TEST_F(CueTableTest, EachSequenceMakesItsSounds) {
    for (const Case& c : kCases) {
        RecordingOutbox box;
        ClientState s(box);
        s.SetMyName("Me");
        s.HandleMessage(Bytes(msg::Roster{{{"Anna", 11}, {"Bert", 22}, {"Me", 33}}}));
        s.HandleMessage(Bytes(Misses("0", "0", "0")));
        s.RecordHappenings(true);
        std::string cues;
        for (const Step& step : c.steps) {
            step(s);
        }
        for (const Happening& h : s.TakeHappenings()) {
            cues += (cues.empty() ? "" : " ") + std::string(Name(sound::CueFor(h).cue));
        }
        EXPECT_EQ(cues, c.cues) << c.what;
        EXPECT_TRUE(s.TakeHappenings().empty()) << c.what;
    }
}

// Left of the arena's centre pans left, never wholly; what has no place sounds in the middle.
TEST(CuePan, FollowsWhereItHappened) {
    const struct {
        HappeningKind kind;
        float x;
        float pan;
    } kPans[] = {{HappeningKind::kWallBounce, 5235, 0},
                 {HappeningKind::kOwnHit, 0, -sound::kPanReach},
                 {HappeningKind::kOtherMiss, 10350, sound::kPanReach},
                 {HappeningKind::kOtherHit, 5235 + 3750 / 2, sound::kPanReach / 2},
                 {HappeningKind::kOthersChat, 0, 0}};
    for (const auto& p : kPans) {
        EXPECT_FLOAT_EQ(sound::CueFor({p.kind, p.x}).pan, p.pan) << p.x;
    }
}

}  // namespace
}  // namespace quorvex::client::testing

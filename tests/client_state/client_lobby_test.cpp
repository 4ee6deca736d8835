#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

class LobbyTest : public ClientTest {
  protected:
    void SetUp() override {
        JoinAs(33, {"11", "22"});  // not seated yet
        OpenLobby();
    }
    // Rdy, Join, Spectate enabled, as R J S or '-'.
    std::string Buttons() const {
        const auto& l = state.Lobby();
        return {l.cmdRdyEnabled ? 'R' : '-', l.cmdJoinEnabled ? 'J' : '-',
                l.cmdSpectateEnabled ? 'S' : '-'};
    }
    // What went out, in order: a SeatRequest as its request byte (1 to 3), Ready as 10.
    std::vector<int> Sent() const {
        std::vector<int> out;
        for (const auto& m : outbox.sent)
            out.push_back(m[0] == 9 ? msg::Decode<msg::SeatRequest>(m).value().request : m[0]);
        return out;
    }
};

// Giving up a seat tells the server whether we had declared ready (3) or not (2).
TEST_F(LobbyTest, SpectateSendsTwoOrThreeAfterReady) {
    EXPECT_EQ(Buttons(), "-J-");
    state.cmdJoin_Click();
    EXPECT_EQ(Buttons(), "R-S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "-J-");
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    EXPECT_EQ(Buttons(), "--S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "-J-");
    EXPECT_EQ(Sent(), (std::vector<int>{1, 2, 1, 10, 3}));
    EXPECT_EQ(outbox.All<msg::SeatRequest>()[0].id, "33");
}

// A new round's settings make a seated, ready player ready to press Ready again.
TEST_F(LobbyTest, GameSettingsWhileSeatedAndReadyEnablesReadyAgain) {
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    Receive(ScoreboardOf({"11", "22", "33"}));
    OpenLobby();
    EXPECT_EQ(Buttons(), "R-S");
}

// A refused send ends the click where it was: the buttons show only what came before it.
TEST_F(LobbyTest, RefusedSendStopsTheClickWhereItWas) {
    outbox.refuse = true;
    state.cmdJoin_Click();
    EXPECT_EQ(Buttons(), "-JS");
    outbox.refuse = false;
    state.cmdJoin_Click();
    outbox.refuse = true;
    state.cmdRdy_Click();
    EXPECT_EQ(Buttons(), "R-S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "RJS");
    EXPECT_EQ(outbox.refused, 3);
}

using SendTest = ClientTest;

// Before the first GameSettings no button reaches the server; after it, an unknown MyID goes
// out as "0" (a negative one would carry its minus sign).
TEST_F(SendTest, NothingClicksBeforeTheFirstSettingsThenMyIDGoesAsText) {
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    state.cmdSpectate_Click();
    EXPECT_TRUE(outbox.sent.empty());
    OpenLobby();
    state.cmdJoin_Click();
    ASSERT_EQ(outbox.All<msg::SeatRequest>().size(), 1u);
    EXPECT_EQ(outbox.All<msg::SeatRequest>()[0].id, "0");
}

// Enter sends name, ":>" and the text, even when both are empty, and shows nothing until the
// server relays it. Other keys send nothing; a line that cannot go out (refused, or too long
// for a String field) is kept in the input line.
TEST_F(SendTest, EnterSendsNameSeparatorAndText) {
    const char* cases[][3] = {
        {"Me", "hi there", "Me:>hi there"}, {"Me", "", "Me:>"}, {"", "", ":>"}};
    for (const auto& [name, typed, sent] : cases) {
        state.SetMyName(name);
        EXPECT_TRUE(state.txtSend_KeyDown(kEnterKey, typed));
        EXPECT_EQ(outbox.All<msg::Chat>().back().line, sent);
    }
    EXPECT_EQ(state.Chat().Text(), "");
    EXPECT_FALSE(state.txtSend_KeyDown(10, "hi"));
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, std::string(70000, 'x')));
    outbox.refuse = true;
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, "hi"));
    EXPECT_EQ(outbox.sent.size(), 3u);
}

}  // namespace
}  // namespace quorvex::client::testing

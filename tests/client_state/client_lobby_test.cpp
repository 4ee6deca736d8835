#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

class LobbyTest : public ClientTest {
  protected:
    void SetUp() override {
        state.SetMyName("Me");
        JoinAs(33, {"11", "22"});  // not seated yet
        OpenLobby();
    }

    std::vector<int> SeatRequests() const {
        std::vector<int> requests;
        for (const auto& r : outbox.All<msg::SeatRequest>()) {
            EXPECT_EQ(r.id, "33");
            requests.push_back(r.request);
        }
        return requests;
    }

    // Rdy, Join, Spectate enabled, as a three-letter picture: R J S or '-'.
    std::string Buttons() const {
        const auto& l = state.Lobby();
        return std::string{l.cmdRdyEnabled ? 'R' : '-', l.cmdJoinEnabled ? 'J' : '-',
                           l.cmdSpectateEnabled ? 'S' : '-'};
    }
};

TEST_F(LobbyTest, JoinThenSpectateSendsOneThenTwo) {
    EXPECT_EQ(Buttons(), "-J-");
    state.cmdJoin_Click();
    EXPECT_EQ(Buttons(), "R-S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "-J-");
    EXPECT_EQ(outbox.Types(), (std::vector<int>{9, 9}));
    EXPECT_EQ(SeatRequests(), (std::vector<int>{1, 2}));
}

TEST_F(LobbyTest, JoinReadySpectateSendsOneReadyThenThree) {
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    EXPECT_EQ(Buttons(), "--S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "-J-");
    EXPECT_EQ(outbox.Types(), (std::vector<int>{9, 10, 9}));
    EXPECT_EQ(outbox.sent[1], Buffer{10});  // the type Byte alone
    EXPECT_EQ(SeatRequests(), (std::vector<int>{1, 3}));
}

TEST_F(LobbyTest, GameSettingsWhileSeatedAndReadyEnablesReadyAgain) {
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    Receive(ScoreboardOf({"11", "22", "33"}));
    OpenLobby();
    EXPECT_EQ(Buttons(), "R-S");
}

TEST_F(LobbyTest, UnreachableButtonsDoNothing) {
    state.cmdRdy_Click();       // disabled while unseated
    state.cmdSpectate_Click();  // likewise
    Receive(ScoreboardOf({"11", "22"}));
    Receive(msg::ReadyCount{"2"});  // frame hidden, buttons kept
    ASSERT_FALSE(state.Lobby().frameVisible);
    state.cmdJoin_Click();
    EXPECT_TRUE(outbox.sent.empty());
    EXPECT_EQ(Buttons(), "-J-");
}

TEST(LobbyBeforeSettings, NothingCanBeClickedBeforeTheFirstGameSettings) {
    RecordingOutbox outbox;
    ClientState state{outbox};
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    state.cmdSpectate_Click();
    EXPECT_TRUE(outbox.sent.empty());
    EXPECT_FALSE(state.Lobby().frameVisible);
    EXPECT_FALSE(state.Lobby().frameEnabled);
    EXPECT_TRUE(state.Lobby().cmdJoinEnabled);
    EXPECT_EQ(state.Lobby().lblPRdy, "<Rdy>");
}

TEST_F(LobbyTest, RefusedSendStopsTheClickWhereItWas) {
    outbox.refuse = true;
    state.cmdJoin_Click();
    EXPECT_EQ(Buttons(), "-JS");  // Spectate was enabled before the send
    outbox.refuse = false;
    state.cmdJoin_Click();
    outbox.refuse = true;
    state.cmdRdy_Click();
    EXPECT_EQ(Buttons(), "R-S");
    state.cmdSpectate_Click();
    EXPECT_EQ(Buttons(), "RJS");
    EXPECT_EQ(outbox.refused, 3);
}

TEST_F(LobbyTest, SeatRequestCarriesUnknownOrNegativeIdentifierAsText) {
    RecordingOutbox fresh;
    for (const auto& [id, text] : {std::pair{0, "0"}, std::pair{-5, "-5"}}) {
        ClientState other{fresh};
        if (id != 0) {
            other.HandleMessage(Bytes(RosterOf({{"Me", id}})));
        }
        other.HandleMessage(Bytes(msg::GameSettings{1, "1"}));
        other.cmdJoin_Click();
        ASSERT_FALSE(fresh.All<msg::SeatRequest>().empty());
        EXPECT_EQ(fresh.All<msg::SeatRequest>().back().id, text);
    }
}

struct ChatCase {
    const char* name;
    const char* myName;
    const char* typed;
    const char* sent;
};

class ChatLine : public ClientTest, public ::testing::WithParamInterface<ChatCase> {};

TEST_P(ChatLine, EnterSendsNameSeparatorAndText) {
    state.SetMyName(GetParam().myName);
    EXPECT_TRUE(state.txtSend_KeyDown(kEnterKey, GetParam().typed));
    const auto chats = outbox.All<msg::Chat>();
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].line, GetParam().sent);
    EXPECT_EQ(state.Chat().Text(), "");  // shown only when the server relays it
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ChatLine,
    ::testing::Values(ChatCase{"Text", "Me", "hi there", "Me:>hi there"},
                      ChatCase{"EmptyText", "Me", "", "Me:>"}, ChatCase{"EmptyName", "", "", ":>"},
                      ChatCase{"Utf8", "J\xC3\xBCrg", "\xC3\xA9", "J\xC3\xBCrg:>\xC3\xA9"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(LobbyTest, OtherKeysAndRefusedLinesKeepTheInput) {
    EXPECT_FALSE(state.txtSend_KeyDown(10, "hi"));
    EXPECT_FALSE(state.txtSend_KeyDown(65, "hi"));
    EXPECT_TRUE(outbox.sent.empty());
    outbox.refuse = true;
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, "hi"));
    // A line too long for a String field cannot be sent either.
    outbox.refuse = false;
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, std::string(70000, 'x')));
    EXPECT_TRUE(outbox.sent.empty());
}

}  // namespace
}  // namespace quorvex::client::testing

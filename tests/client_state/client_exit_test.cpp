#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using SessionNoticeTest = ClientTest;

TEST_F(SessionNoticeTest, ConnectedOnlyOnSuccessLostAlways) {
    state.OnConnectComplete(false);
    EXPECT_EQ(state.Chat().Text(), "");
    state.OnConnectComplete(true);
    state.OnTerminateSession();
    EXPECT_EQ(state.Chat().Text(),
              "**Connected to Chat Server**\r\n"
              "*** Connection with server lost. Attempting to send messages may casue errors - "
              "So you should probably just quit or wait or something...***\r\n");
}

using ExitTest = ClientTest;

TEST_F(ExitTest, LeaveCarriesMyIDOrZeroWhenNeverKnown) {
    for (const std::int32_t id : {0, 33, -8}) {
        RecordingOutbox box;
        ClientState s{box};
        if (id != 0) {
            s.HandleMessage(Bytes(RosterOf({{"Anna", 11}, {"Me", id}})));
        }
        s.BeginExit();
        const auto left = box.All<msg::PlayerLeft>();
        ASSERT_EQ(box.sent.size(), 1u);
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].id, id);
    }
}

TEST_F(ExitTest, AfterTheCloseOnlyThePlayerLeftIsEverSent) {
    state.SetMyName("Me");
    JoinAs(33, {"33", "11", "22"});
    OpenLobby();
    state.OnConnectComplete(true);
    state.BeginExit();
    EXPECT_TRUE(state.Exiting());
    EXPECT_EQ(state.Chat().Text(),
              "**Connected to Chat Server**\r\n\nPlease Wait While Program Exits");

    state.BeginExit();
    EXPECT_FALSE(state.Timer2_Timer());
    Receive(msg::BallUpdate{"-5", "-5", "315"});
    state.cmdJoin_Click();
    state.cmdRdy_Click();
    state.cmdSpectate_Click();
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, "bye"));
    state.Form_MouseMove(3000, 2000);
    EXPECT_FALSE(state.Timer2_Timer());
    EXPECT_EQ(outbox.Types(), std::vector<int>{3});
}

TEST_F(ExitTest, MessagesAreStillHandledWhileClosing) {
    JoinAs(33, {"33", "11"});
    state.BeginExit();
    Receive(msg::Chat{"Anna:>bye"});
    Receive(ScoreboardOf({"11"}));
    Receive(msg::BallUpdate{"100", "200", "90"});
    EXPECT_EQ(state.Chat().Text(), "\nPlease Wait While Program ExitsAnna:>bye\r\n");
    EXPECT_EQ(state.Seats().size(), 1u);
    EXPECT_EQ(state.Ball().left, 100.0f);
    EXPECT_EQ(outbox.Types(), std::vector<int>{3});
}

TEST_F(ExitTest, RefusedLeaveStillClosesInOrder) {
    outbox.refuse = true;
    state.BeginExit();
    EXPECT_EQ(outbox.refused, 1);
    EXPECT_EQ(state.Chat().Text(), "\nPlease Wait While Program Exits");
}

TEST_F(ExitTest, Timer1EndsTheProgramOnTheTenthTickAfterTheClose) {
    EXPECT_FALSE(state.Timer1_Timer());  // not closing: the timer is not running
    EXPECT_EQ(state.Timer1Interval(), 1);
    state.BeginExit();
    int ticks = 0;
    while (!state.Timer1_Timer()) {
        ASSERT_LT(++ticks, 20);
    }
    EXPECT_EQ(ticks + 1, 10);
    EXPECT_EQ(state.Timer1Interval(), 1024);
}

using ChangesTest = ClientTest;

TEST_F(ChangesTest, EachEventReportsWhatItChanged) {
    EXPECT_EQ(state.TakeChanges(), 0u);
    Receive(RosterOf({{"Me", 33}}));
    EXPECT_EQ(state.TakeChanges(), unsigned{kRosterChanged});
    Receive(ScoreboardOf({"33"}));
    EXPECT_EQ(state.TakeChanges(), unsigned{kSeatsChanged | kArenaChanged});
    Receive(msg::Chat{"x"});
    EXPECT_EQ(state.TakeChanges(), unsigned{kChatChanged});
    Receive(msg::GameSettings{1, "1"});
    EXPECT_EQ(state.TakeChanges(), unsigned{kLobbyChanged});
    Receive(msg::BallUpdate{"5000", "3000", "0"});
    EXPECT_EQ(state.TakeChanges(), unsigned{kBallChanged});
    Receive(msg::PlayerLeft{99});
    EXPECT_EQ(state.TakeChanges(), 0u);
}

}  // namespace
}  // namespace quorvex::client::testing

#include <gtest/gtest.h>

#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using ExitTest = ClientTest;

// Once closing, the server hears PlayerLeft with MyID and then nothing: no clicks, chat,
// paddle reports or ball judgements, while incoming messages are still shown.
TEST_F(ExitTest, AfterTheCloseOnlyThePlayerLeftIsEverSent) {
    JoinAs(33, {"33", "11", "22"});
    OpenLobby();
    state.BeginExit();
    state.BeginExit();
    state.cmdSpectate_Click();
    state.cmdRdy_Click();
    EXPECT_FALSE(state.txtSend_KeyDown(kEnterKey, "bye"));
    state.Form_MouseMove(3000, 2000);
    EXPECT_FALSE(state.Timer2_Timer());
    Receive(msg::BallUpdate{"-5", "-5", "315"});  // a corner: bounces due
    Receive(msg::Chat{"Anna:>bye"});
    EXPECT_EQ(state.Chat().Text(), "\nPlease Wait While Program ExitsAnna:>bye\r\n");
    ASSERT_EQ(outbox.sent.size(), 1u);
    ASSERT_EQ(outbox.All<msg::PlayerLeft>().size(), 1u);
    EXPECT_EQ(outbox.All<msg::PlayerLeft>()[0].id, 33);
}

// Without any Roster PlayerLeft carries 0, and a refusal must not stop the close. Timer1 runs
// only after the close, ends on the tenth tick (1024 ms, the first above 1000), and late ticks
// neither overflow the interval nor undo the end.
TEST_F(ExitTest, LeaveBeforeAnyRosterCarriesZeroAndTimer1EndsOnTheTenthTick) {
    EXPECT_FALSE(state.Timer1_Timer());
    EXPECT_EQ(state.Timer1Interval(), 1);
    state.BeginExit();
    EXPECT_EQ(outbox.All<msg::PlayerLeft>().at(0).id, 0);
    int ticks = 1;
    while (!state.Timer1_Timer())
        ASSERT_LT(++ticks, 20);
    EXPECT_EQ(ticks, 10);
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(state.Timer1_Timer());
    EXPECT_EQ(state.Timer1Interval(), 1024);
    RecordingOutbox refusing;
    refusing.refuse = true;
    ClientState other{refusing};
    other.BeginExit();
    EXPECT_EQ(refusing.refused, 1);
    EXPECT_TRUE(other.Exiting());
}

}  // namespace
}  // namespace quorvex::client::testing

// Players whose connection is gone, in the console window; and a roster that must stay
// within one frame however many players come and go.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>

#include "kit/recording_player.h"
#include "protocol/session/frame.h"
#include "tests/server_app/console_window.h"
#include "tests/support/raw_peer.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

TEST(DroppedPlayers, TheConsoleShowsThemLostUntilTheOptionRemovesThem) {
    ConsoleWindow console;
    auto& host = console.host;
    auto& window = console.window;
    kit::RecordingPlayer ann(host.Port(), "Ann");
    auto bob = std::make_unique<kit::RecordingPlayer>(host.Port(), "Bob");
    ASSERT_TRUE(ann.WaitConnected() && bob->WaitConnected());
    ASSERT_TRUE(WaitUntil([&] { return window.PlayerName->count() == 2; }));
    const auto boardBefore = ann.Last<msg::Scoreboard>();
    bob.reset();

    ASSERT_TRUE(WaitUntil([&] { return window.PlayerName->item(1)->text() == "Bob (lost)"; }));
    EXPECT_EQ(window.PlayerName->item(0)->text(), "Ann");
    EXPECT_NE(window.PlayerIndex->item(1)->foreground(), window.PlayerIndex->item(0)->foreground());
    Pump(300);
    EXPECT_EQ(ann.Last<msg::Scoreboard>(), boardBefore);  // the clients' texts stay as they were
    EXPECT_FALSE(ann.Last<msg::PlayerLeft>());

    EXPECT_FALSE(window.chkRemoveDropped->isChecked());
    window.chkRemoveDropped->setChecked(true);
    EXPECT_EQ(host.DropGrace(), std::chrono::milliseconds(30000));
    host.SetDropGrace(std::chrono::milliseconds(200));  // already lost for longer
    ASSERT_TRUE(WaitUntil([&] { return window.PlayerName->count() == 1; }));
    EXPECT_EQ(ann.Types().back(), 3);  // PlayerLeft, after the Scoreboard without Bob
    EXPECT_EQ(ann.Last<msg::Scoreboard>()->seats.size(), 1u);
}

// Connect, say hello with a 256-byte name, drop: hundreds of times. With or without removal
// after a grace, the roster never holds more than the player maximum: each newcomer to a full
// roster pushes out the player lost longest ago, so nobody is refused and an honest player
// still joins and learns its identifier.
TEST(BoundedRoster, ConnectAndDropCyclesNeverOutgrowThePlayerMaximum) {
    for (const bool removal : {false, true}) {
        auto limits = kit::FastLimits();
        limits.maxFrameBytes = 128 * 1024;  // the same bound as 1 MB, reached sooner
        server::GameHost host(limits);
        ASSERT_FALSE(host.Host(11, 0));
        if (removal)
            host.SetDropGrace(std::chrono::milliseconds(0));
        const std::string name(256, 'n');
        int welcomed = 0, refused = 0;
        QElapsedTimer clock;
        clock.start();
        for (int cycle = 0; cycle < 300 && clock.elapsed() < 60000; ++cycle) {
            RawPeer peer(host.Port());
            peer.SendHello(session::kApplicationId, name);
            // The answer's kind is the byte after the frame's 4-byte length.
            WaitUntil([&] { return peer.Socket().bytesAvailable() >= 5; });
            const auto answer = static_cast<session::FrameKind>(peer.Socket().read(5).at(4));
            ASSERT_TRUE(answer == session::FrameKind::Welcome ||
                        answer == session::FrameKind::Refuse);
            (answer == session::FrameKind::Welcome ? welcomed : refused) += 1;
            ASSERT_LE(host.Game().Roster().size(), 10u);
        }
        const auto roster = msg::Encode(msg::Roster{host.Game().Roster()});
        ASSERT_TRUE(roster);
        EXPECT_LE(roster->size(), limits.maxFrameBytes - 1);
        Pump(100);
        EXPECT_EQ(refused, 0) << welcomed;
        EXPECT_LE(host.Game().Roster().size(), removal ? 3u : 10u);
        kit::RecordingPlayer honest(host.Port(), "Honest");
        ASSERT_TRUE(honest.WaitConnected());
        ASSERT_TRUE(WaitUntil([&] { return honest.Last<msg::Roster>().has_value(); }));
        EXPECT_EQ(honest.Last<msg::Roster>()->entries.back().id, honest.Id());
    }
}

}  // namespace
}  // namespace quorvex::test

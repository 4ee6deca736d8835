// Three players play and chat while strangers and broken players do their worst: garbage,
// random frames, oversized length prefixes, half handshakes, players killed without a word,
// and one that stops reading. Afterwards the server still serves, the players heard every
// chat line once and in order, every misbehaving peer was dropped, and the server's heap is
// back near where it was: nothing is kept per dropped peer.

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/soak/misbehaviour.h"
#include "tests/soak/server_process.h"
#include "tests/soak/soak_player.h"
#include "tests/support/wait.h"

namespace quorvex::soak {
namespace {

// What the server may keep for good: every player that joined and vanished without
// PlayerLeft stays on its roster and in its seat table until kicked (51 of them here, about
// 70 KB in all with the allocator's bookkeeping). A dropped peer's socket, parser and queues
// are kilobytes each: keeping those of the ~380 dropped connections adds over a megabyte.
constexpr long long kHeapSlackBytes = 256 * 1024;

constexpr int kChatEveryMs = 20;
// Long lines, so that the relayed chat fills the stalled reader's queue (and the kernel
// buffers in front of it, which grow to megabytes on loopback) in a few seconds.
constexpr std::size_t kChatPadding = 16000;

class SoakTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Port().has_value()) << "the soak server did not start";
        port = *server.Port();
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            players.push_back(std::make_unique<SoakPlayer>(port, name));
        }
        ASSERT_TRUE(test::WaitUntil([&] { return AllPlayers(&SoakPlayer::Connected); }, 5000));
        // Seated and playing: each has its seat in a three-seat table.
        ASSERT_TRUE(test::WaitUntil(
            [&] {
                for (const auto& p : players) {
                    if (p->State().Seats().size() != 3 || p->State().PlayerID() < 0) {
                        return false;
                    }
                }
                return true;
            },
            5000));
    }

    bool AllPlayers(bool (SoakPlayer::*holds)() const) const {
        for (const auto& p : players) {
            if (!(p.get()->*holds)()) {
                return false;
            }
        }
        return true;
    }

    ServerProcess server;
    quint16 port = 0;
    std::vector<std::unique_ptr<SoakPlayer>> players;
};

TEST_F(SoakTest, TheServerOutlastsAbuseWhilePlayersPlayOn) {
    // The ball starts within a second. The chat runs a while first, so that the healthy
    // players' buffers in the server have grown to their working size, then pauses: the heap
    // is measured with nothing in flight, here and at the end.
    for (auto& p : players) {
        p->StartChatting(kChatEveryMs, kChatPadding);
    }
    test::Pump(1200);
    for (auto& p : players) {
        p->StopChatting();
    }
    test::Pump(500);
    const auto baseline = server.HeapBytes();
    ASSERT_TRUE(baseline.has_value());
    for (auto& p : players) {
        p->StartChatting(kChatEveryMs, kChatPadding);
    }
    std::mt19937 random(20240607);
    NonReader deaf(port);

    Peers garbage;
    for (int batch = 0; batch < 4; ++batch) {
        auto more = SendGarbage(port, 50, random);
        for (auto& peer : more) {
            garbage.push_back(std::move(peer));
        }
        test::Pump(50);
    }
    auto frames = SendRandomFrames(port, 10000, random);
    EXPECT_EQ(frames.sent, 10000);
    auto strangersOversized = SendOversizedPrefixes(port, 40);
    auto playersOversized = JoinThenSendOversizedPrefixes(port, 10);
    auto halfway = StopMidHandshake(port, 50);
    KillBots(port, 20);

    {
        SCOPED_TRACE("every misbehaving peer is dropped");
        EXPECT_TRUE(test::WaitUntil([&] { return AllClosedByServer(garbage); }, 5000));
        EXPECT_TRUE(test::WaitUntil([&] { return AllClosedByServer(frames.dropped); }, 5000));
        EXPECT_TRUE(test::WaitUntil([&] { return AllClosedByServer(strangersOversized); }, 5000));
        EXPECT_TRUE(test::WaitUntil([&] { return AllClosedByServer(playersOversized); }, 5000));
        EXPECT_TRUE(test::WaitUntil([&] { return AllClosedByServer(halfway); }, 5000));
        EXPECT_TRUE(test::WaitUntil([&] { return deaf.Dropped(); }, 10000))
            << "a player that never reads must be cut off, not buffered";
    }

    for (auto& p : players) {
        p->StopChatting();
    }
    {
        SCOPED_TRACE("the players heard every line once and in order");
        const auto allHeard = [&] {
            for (const auto& listener : players) {
                for (const auto& sender : players) {
                    if (static_cast<int>(
                            NumbersFrom(listener->ChatReceived(), sender->Name()).size()) <
                        sender->LinesSent()) {
                        return false;
                    }
                }
            }
            return true;
        };
        EXPECT_TRUE(test::WaitUntil(allHeard, 10000));
        for (const auto& listener : players) {
            for (const auto& sender : players) {
                std::vector<int> expected(static_cast<std::size_t>(sender->LinesSent()));
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    expected[i] = static_cast<int>(i);
                }
                ASSERT_GT(sender->LinesSent(), 20);
                EXPECT_EQ(NumbersFrom(listener->ChatReceived(), sender->Name()), expected)
                    << listener->Name() << " hearing " << sender->Name();
            }
        }
        EXPECT_FALSE(players[0]->Lost() || players[1]->Lost() || players[2]->Lost());
    }

    {
        SCOPED_TRACE("the server still runs and its heap is back near the baseline");
        EXPECT_TRUE(server.Running());
        test::Pump(1000);  // dropped peers are released on the next turns of its loop
        const auto after = server.HeapBytes();
        ASSERT_TRUE(after.has_value());
        EXPECT_LT(*after - *baseline, kHeapSlackBytes)
            << "baseline " << *baseline << " bytes, after " << *after << " bytes";
        // The players are still in the game: their seats and the ball still move them.
        for (const auto& p : players) {
            EXPECT_GE(p->State().PlayerID(), 0) << p->Name();
        }
    }
}

}  // namespace
}  // namespace quorvex::soak

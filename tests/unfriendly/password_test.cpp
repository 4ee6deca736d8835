// A password keeps strangers out: the handshake proves it without sending it, each answer is
// good for one connection only, and the client asks for it and says why it was refused.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "protocol/session/password.h"
#include "protocol/session/qt_frames.h"
#include "server/window/server_window.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/raw_peer.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::FrameKind;

// A raw connection that has said hello.
struct Raw : RawPeer {
    explicit Raw(quint16 port) : RawPeer(port) { SendHello(session::kApplicationId, "raw"); }
    Buffer Nonce() {
        const auto frame = NextFrame();
        return frame && frame->first == FrameKind::Challenge ? frame->second : Buffer{};
    }
};

TEST(Password, AnAnswerIsGoodOnceOnItsOwnConnectionAndInTime) {
    HostedServer host;
    host.server.SetPassword("sesame");
    Raw first(host.Port());
    const Buffer nonce = first.Nonce();
    ASSERT_EQ(nonce.size(), session::kNonceBytes);
    const Buffer proof = session::PasswordProof("sesame", nonce);
    first.SendFrame(FrameKind::Answer, proof);
    ASSERT_EQ(first.NextFrame()->first, FrameKind::Welcome);

    // Replayed on another connection: its nonce is another, so the proof is wrong.
    Raw replay(host.Port());
    ASSERT_NE(replay.Nonce(), nonce);
    replay.SendFrame(FrameKind::Answer, proof);
    const auto refused = replay.NextFrame();
    ASSERT_EQ(refused->first, FrameKind::Refuse);
    EXPECT_EQ(session::DecodeRefusal(refused->second)->reason,
              session::RefuseReason::WrongPassword);

    // Sent twice: the second answer is a frame a joined player may not send.
    first.SendFrame(FrameKind::Answer, proof);
    EXPECT_TRUE(WaitUntil([&] { return first.ClosedByServer(); }, 2000));

    // Late: past the handshake time-out the connection is gone before the answer comes.
    Raw late(host.Port());
    ASSERT_FALSE(late.Nonce().empty());
    EXPECT_TRUE(WaitUntil([&] { return late.ClosedByServer(); }, 2000));

    // An answer nobody asked for.
    HostedServer open;
    Raw unasked(open.Port());
    ASSERT_EQ(unasked.NextFrame()->first, FrameKind::Welcome);
    unasked.SendFrame(FrameKind::Answer, proof);
    EXPECT_TRUE(WaitUntil([&] { return unasked.ClosedByServer(); }, 2000));
    EXPECT_EQ(host.events.created.size(), 2U);
}

TEST(Password, WithoutOneTheHandshakeIsByteForByteAsBefore) {
    HostedServer host;
    RawPeer peer(host.Port());
    peer.SendHello(session::kApplicationId, "Ann");
    ASSERT_TRUE(WaitUntil([&] { return peer.Socket().bytesAvailable() >= 9; }));
    const QByteArray welcome = peer.Socket().read(9);
    EXPECT_EQ(welcome, session::FrameBytes(FrameKind::Welcome,
                                           session::EncodeWelcome(host.events.created.back())));
}

TEST(Password, TheClientAsksOnceAndShowsARefusalInItsConnectBox) {
    TestServer server;
    server.session.SetPassword("sesame");
    TestClient right(server.Port(), Answers{"127.0.0.1", "Ann", "sesame"});
    ASSERT_TRUE(right.WaitSeated());
    EXPECT_EQ(right.prompter.asked.back().prompt + "|" + right.prompter.asked.back().title,
              "Password?|Password");

    TestClient wrong(server.Port(), Answers{"127.0.0.1", "Bob", "Sesame"});  // case counts
    ASSERT_TRUE(WaitUntil([&] { return !wrong.exitCodes.empty(); }));
    ASSERT_EQ(wrong.prompter.criticals.size(), 1U);
    EXPECT_EQ(wrong.prompter.criticals[0].title, "mdlSessionConnect");
    EXPECT_EQ(wrong.prompter.criticals[0].text, "Error #15: The password is wrong");
    EXPECT_EQ(wrong.prompter.asked.size(), 3U);

    TestClient cancelled(server.Port(), Answers{"127.0.0.1", "Cid", std::nullopt});
    ASSERT_TRUE(WaitUntil([&] { return !cancelled.exitCodes.empty(); }));
    ASSERT_EQ(cancelled.prompter.criticals.size(), 1U);
    EXPECT_EQ(cancelled.prompter.criticals[0].text.rfind("Error #14: ", 0), 0U);
    EXPECT_EQ(server.SeatNames(), std::vector<std::string>{"Ann"});
}

TEST(Password, TheConsoleFieldGuardsNewcomersAndEmptiedLetsAnyoneIn) {
    ScriptedPrompter prompter({"11"});
    server::ServerSession session(FastLimits());
    server::ServerWindow window(session, prompter, 0);
    window.Start();
    window.txtPassword->setText(QStringLiteral("sesame"));
    ConnectedClient stranger(session.Port(), "Eve");
    EXPECT_FALSE(stranger.WaitConnected());
    EXPECT_EQ(stranger.events.completions.at(0).code, session::ErrorCode::PasswordRequired);
    window.txtPassword->clear();
    ConnectedClient friendly(session.Port(), "Ann");
    EXPECT_TRUE(friendly.WaitConnected());
}

}  // namespace
}  // namespace quorvex::test

// A password keeps strangers out: the handshake proves it without sending it, each answer is
// good for one connection only, and the client asks for it and says why it was refused.

#include <gtest/gtest.h>

#include "protocol/session/password.h"
#include "protocol/session/qt_frames.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/raw_peer.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

using session::FrameKind;

// Reads one whole frame from a raw peer: its kind and payload.
std::optional<std::pair<FrameKind, Buffer>> NextFrame(RawPeer& peer) {
    session::FrameParser parser(1024);
    std::optional<std::pair<FrameKind, Buffer>> found;
    WaitUntil(
        [&] {
            auto& socket = peer.Socket();
            if (socket.bytesAvailable() < qint64(session::kFrameHeaderBytes)) {
                return false;
            }
            const QByteArray header = socket.peek(session::kFrameHeaderBytes);
            const auto length = qint64(std::uint8_t(header[0])) | qint64(std::uint8_t(header[1]))
                                                                      << 8;
            if (socket.bytesAvailable() < qint64(session::kFrameHeaderBytes) + length) {
                return false;
            }
            const QByteArray bytes = socket.read(qint64(session::kFrameHeaderBytes) + length);
            parser.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                        std::size_t(bytes.size()));
            const auto frame = parser.Next();
            found.emplace(frame->kind, Buffer(frame->payload.begin(), frame->payload.end()));
            return true;
        },
        2000);
    return found;
}

// A raw peer that has sent Hello and read the server's Challenge.
struct Challenged {
    explicit Challenged(quint16 port) : peer(port) {
        peer.SendHello(session::kApplicationId, "raw");
        if (const auto frame = NextFrame(peer); frame && frame->first == FrameKind::Challenge) {
            nonce = frame->second;
        }
    }
    RawPeer peer;
    Buffer nonce;
};

TEST(Password, ClientsThatKnowItJoinOthersAreToldWhy) {
    HostedServer host;
    host.server.SetPassword("sesame");
    struct Case {
        std::optional<std::string> password;
        session::ErrorCode result;
    };
    const Case cases[] = {
        {"sesame", session::ErrorCode::None},
        {"Sesame", session::ErrorCode::WrongPassword},
        {"", session::ErrorCode::WrongPassword},
        {std::nullopt, session::ErrorCode::PasswordRequired},
    };
    for (const auto& c : cases) {
        ConnectedClient client(host.Port(), "Ann");
        if (c.password) {
            client.client.SetPassword(*c.password);
        }
        client.WaitConnected();
        ASSERT_EQ(client.events.completions.size(), 1U) << c.password.value_or("(none)");
        EXPECT_EQ(client.events.completions[0].code, c.result) << c.password.value_or("(none)");
    }
    EXPECT_EQ(host.events.created.size(), 2U);  // the server's own player and the one right
}

TEST(Password, AnAnswerIsGoodOnceOnItsOwnConnectionAndInTime) {
    HostedServer host;
    host.server.SetPassword("sesame");
    Challenged first(host.Port());
    ASSERT_EQ(first.nonce.size(), session::kNonceBytes);
    const Buffer proof = session::PasswordProof("sesame", first.nonce);
    first.peer.SendFrame(FrameKind::Answer, proof);
    const auto welcome = NextFrame(first.peer);
    ASSERT_TRUE(welcome && welcome->first == FrameKind::Welcome);

    // Replayed on another connection: its nonce is another, so the proof is wrong.
    Challenged replay(host.Port());
    ASSERT_NE(replay.nonce, first.nonce);
    replay.peer.SendFrame(FrameKind::Answer, proof);
    const auto refused = NextFrame(replay.peer);
    ASSERT_TRUE(refused && refused->first == FrameKind::Refuse);
    EXPECT_EQ(session::DecodeRefusal(refused->second)->reason,
              session::RefuseReason::WrongPassword);

    // Sent twice: the second answer is a frame a joined player may not send.
    first.peer.SendFrame(FrameKind::Answer, proof);
    EXPECT_TRUE(WaitUntil([&] { return first.peer.ClosedByServer(); }, 2000));

    // Late: past the handshake time-out the connection is gone before the answer comes.
    Challenged late(host.Port());
    EXPECT_TRUE(WaitUntil([&] { return late.peer.ClosedByServer(); }, 2000));

    // An answer nobody asked for.
    HostedServer open;
    RawPeer unasked(open.Port());
    unasked.SendHello(session::kApplicationId, "raw");
    ASSERT_TRUE(NextFrame(unasked).has_value());
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

    TestClient wrong(server.Port(), Answers{"127.0.0.1", "Bob", "guess"});
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

}  // namespace
}  // namespace quorvex::test

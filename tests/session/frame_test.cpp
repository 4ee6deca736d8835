#include "protocol/session/frame.h"
#include "protocol/session/session_types.h"

#include <gtest/gtest.h>

namespace quorvex::session {
namespace {

TEST(FrameParser, FindsEveryFrameHoweverTheBytesArrive) {
    const std::vector<std::pair<FrameKind, Buffer>> frames = {{FrameKind::Data, {1, 2, 3}},
                                                              {FrameKind::KeepAlive, {}},
                                                              {FrameKind::Data, Buffer(300, 7)}};
    Buffer stream;
    for (const auto& [kind, payload] : frames) {
        const Buffer f = MakeFrame(kind, payload);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{5}, stream.size()}) {
        FrameParser parser(1024);
        std::vector<std::pair<FrameKind, Buffer>> got;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            parser.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
            while (auto frame = parser.Next()) {
                got.emplace_back(frame->kind, Buffer(frame->payload.begin(), frame->payload.end()));
            }
        }
        EXPECT_EQ(got, frames) << "chunk " << chunk;
        EXPECT_FALSE(parser.Failed());
        EXPECT_EQ(parser.Buffered(), 0u);
    }
}

TEST(FrameParser, ZeroOrOversizedLengthFailsBeforeBuffering) {
    struct Case {
        Buffer header;
        const char* what;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, "empty body"},
        {{0x01, 0x04, 0, 0}, "1025 bytes, one over the limit"},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "4 GiB"},
        {{'G', 'E', 'T', ' '}, "an HTTP request"},
    };
    for (const auto& c : cases) {
        FrameParser parser(1024);
        parser.Feed(c.header.data(), c.header.size());
        EXPECT_FALSE(parser.Next().has_value()) << c.what;
        EXPECT_TRUE(parser.Failed()) << c.what;
        EXPECT_EQ(parser.Room(), 0u) << c.what;
        const std::uint8_t more[16] = {};
        parser.Feed(more, sizeof more);
        EXPECT_EQ(parser.Buffered(), 0u) << c.what;
    }
}

TEST(FrameParser, RoomNeverExceedsOneLargestFrame) {
    FrameParser parser(100);
    EXPECT_EQ(parser.Room(), 104u);
    const Buffer partial = {50, 0, 0, 0, 4, 1, 2};
    parser.Feed(partial.data(), partial.size());
    EXPECT_EQ(parser.Room(), 104u - partial.size());
    EXPECT_FALSE(parser.Next().has_value());
    EXPECT_FALSE(parser.Failed());
}

TEST(Handshake, PayloadsRoundTripAndRefuseTruncation) {
    const Buffer hello = EncodeHello(Hello{1, "{app}", "Ann"});
    const auto back = DecodeHello(hello);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(std::tie(back->version, back->applicationId, back->name),
              std::tuple(1, "{app}", "Ann"));
    for (std::size_t n = 0; n < hello.size(); ++n) {
        EXPECT_FALSE(DecodeHello(ByteView(hello.data(), n)).has_value()) << n;
    }
    EXPECT_EQ(DecodeWelcome(EncodeWelcome(-5)), -5);
    EXPECT_FALSE(DecodeWelcome(Buffer{1, 2, 3}).has_value());
    const auto refusal = DecodeRefusal(EncodeRefusal({RefuseReason::SessionFull, "full"}));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->reason, RefuseReason::SessionFull);
    EXPECT_EQ(refusal->text, "full");
}

// The client's nonce rides after the name, where servers that predate it stop reading; a
// Challenge is the server's nonce alone (for a Hello without one) or with the server's proof.
TEST(Handshake, HelloNonceAndChallengeWithOrWithoutProof) {
    const Buffer nonce(kNonceBytes, 0xA5);
    const Buffer old = EncodeHello(Hello{1, "{app}", "Ann"});
    const auto followedBy = [&](Buffer tail) {
        Buffer b = old;
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    EXPECT_EQ(EncodeHello(Hello{1, "{app}", "Ann", nonce}), followedBy(nonce));
    const struct {
        Buffer payload;
        Buffer clientNonce;
    } hellos[] = {
        {old, {}},
        {followedBy(nonce), nonce},
        {followedBy(Buffer(kNonceBytes - 1, 0xA5)), {}},     // too short to be one: ignored
        {followedBy(Buffer(kNonceBytes + 8, 0xA5)), nonce},  // later fields: ignored
    };
    for (const auto& [payload, clientNonce] : hellos) {
        const auto hello = DecodeHello(payload);
        ASSERT_TRUE(hello.has_value()) << payload.size();
        EXPECT_EQ(std::tie(hello->version, hello->applicationId, hello->name),
                  std::tuple(1, "{app}", "Ann"));
        EXPECT_EQ(hello->clientNonce, clientNonce) << payload.size();
    }

    const Buffer proof(kProofBytes, 0x5A);
    EXPECT_EQ(EncodeChallenge({nonce, proof}).size(), kNonceBytes + kProofBytes);
    for (const Challenge& sent : {Challenge{nonce, {}}, Challenge{nonce, proof}}) {
        const auto got = DecodeChallenge(EncodeChallenge(sent));
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(std::tie(got->nonce, got->serverProof), std::tie(sent.nonce, sent.serverProof));
    }
    for (const std::size_t bad : {0, 31, 33, 63, 65, 96}) {
        EXPECT_FALSE(DecodeChallenge(Buffer(bad, 1)).has_value()) << bad;
    }
}

}  // namespace
}  // namespace quorvex::session

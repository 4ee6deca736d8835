// A refused greeting says why: one the server cannot read is called malformed, not a matter
// of protocol versions.

#include <gtest/gtest.h>

#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "tests/support/raw_peer.h"
#include "tests/support/session_harness.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

TEST(HelloRefusal, SaysWhetherTheGreetingIsMalformedOrOfAnotherVersion) {
    HostedServer host;
    struct Case {
        Buffer hello;
        const char* text;
    };
    const Case cases[] = {
        {Buffer{1}, "The server could not read the greeting: it is malformed"},
        {session::EncodeHello({2, session::kApplicationId, "Ann"}),
         "The server speaks another version of the protocol"},
    };
    for (const auto& c : cases) {
        RawPeer peer(host.Port());
        peer.SendFrame(session::FrameKind::Hello, c.hello);
        const auto frame = peer.NextFrame();
        ASSERT_TRUE(frame) << c.text;
        EXPECT_EQ(frame->first, session::FrameKind::Refuse);
        const auto refusal = session::DecodeRefusal(frame->second);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->reason, session::RefuseReason::BadHandshake);
        EXPECT_EQ(refusal->text, c.text);
    }
}

}  // namespace
}  // namespace quorvex::test

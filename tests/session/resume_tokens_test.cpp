// The resume tokens' rules, by the clock passed in: good once, good for the grace after the
// connection went and not a millisecond longer, compared in full, and one player per token.

#include <gtest/gtest.h>

#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "protocol/session/resume_tokens.h"

namespace quorvex::session {
namespace {

using V = ResumeTokens::Verdict;

ByteView View(const ResumeToken& token) {
    return {token.data(), token.size()};
}

TEST(ResumeTokens, GoodOnceWithinTheGraceAndRefusedWithTheirOwnReasonOtherwise) {
    // Each row: a fresh player 7 with a 1000 ms grace; `lostAt` none keeps it connected.
    const struct {
        std::optional<std::int64_t> lostAt;
        std::int64_t claimAt;
        int spentBefore;  // successful claims before this one
        bool forgotten;
        V verdict;
        bool stillConnected;
    } rows[] = {
        {0, 999, 0, false, V::Granted, false},             // just before the grace ends
        {0, 1000, 0, false, V::Expired, false},            // just after
        {std::nullopt, 5000, 0, false, V::Granted, true},  // the other claimant is still there
        {0, 10, 1, false, V::Used, false},                 // a replay of a spent token
        {0, 10, 0, true, V::Unknown, false},               // removed for good
    };
    for (const auto& row : rows) {
        ResumeTokens tokens(1000);
        const ResumeToken first = tokens.Issue(7);
        const ResumeToken presented = first;
        for (int i = 0; i < row.spentBefore; ++i) {
            ASSERT_EQ(tokens.Claim(View(first), 0).verdict, V::Granted);
            tokens.Issue(7);
        }
        if (row.lostAt)
            tokens.Lost(7, *row.lostAt);
        if (row.forgotten)
            tokens.Forget(7);
        const auto claim = tokens.Claim(View(presented), row.claimAt);
        EXPECT_EQ(claim.verdict, row.verdict) << row.claimAt;
        EXPECT_EQ(claim.stillConnected, row.stillConnected) << row.claimAt;
        EXPECT_EQ(claim.id, row.verdict == V::Unknown ? 0 : 7);
        if (claim.verdict == V::Granted) {  // a second claimant with the same token gets nothing
            EXPECT_EQ(tokens.Claim(View(presented), row.claimAt).verdict, V::Used);
        }
    }
}

TEST(ResumeTokens, StrangersAndADisabledGraceGetNothing) {
    ResumeTokens tokens(1000);
    const ResumeToken held = tokens.Issue(7);
    const ResumeToken other = tokens.Issue(8);
    EXPECT_NE(held, other);
    for (const std::size_t at : {std::size_t{0}, kResumeTokenBytes - 1}) {
        ResumeToken guess = held;
        guess[at] ^= 1;
        EXPECT_FALSE(SameToken(held, View(guess)));
        EXPECT_EQ(tokens.Claim(View(guess), 0).verdict, V::Unknown);
    }
    EXPECT_FALSE(SameToken(held, ByteView(held.data(), held.size() - 1)));
    EXPECT_EQ(tokens.Claim(View(other), 0).id, 8);
    tokens.SetGrace(0);
    EXPECT_EQ(tokens.Claim(View(held), 0).verdict, V::Unknown);
}

TEST(ResumeHandshake, TicketAndRequestRoundTripAndOlderPeersReadWhatTheyAlwaysRead) {
    Hello hello{kProtocolVersion, "app", "Ann", Buffer(kNonceBytes, 3)};
    hello.resumable = true;
    hello.resume = Hello::Resume{0x0102030405060708ULL, NewResumeToken()};
    const auto back = DecodeHello(EncodeHello(hello));
    ASSERT_TRUE(back && back->resumable && back->resume);
    EXPECT_EQ(back->clientNonce, hello.clientNonce);
    EXPECT_EQ(back->resume->instance, hello.resume->instance);
    EXPECT_EQ(back->resume->token, hello.resume->token);

    const Welcome welcome{101, ResumeTicket{42, 60000, NewResumeToken()}};
    const Buffer bytes = EncodeWelcome(welcome);
    EXPECT_EQ(DecodeWelcome(bytes), 101);  // as a client before resume reads it
    const auto ticket = DecodeWelcomeTicket(bytes);
    ASSERT_TRUE(ticket && ticket->ticket);
    EXPECT_EQ(ticket->ticket->graceMs, 60000u);
    EXPECT_EQ(ticket->ticket->token, welcome.ticket->token);
    EXPECT_FALSE(DecodeWelcomeTicket(EncodeWelcome(101))->ticket);
}

}  // namespace
}  // namespace quorvex::session

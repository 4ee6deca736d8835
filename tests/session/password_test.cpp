// The server proves it knows the password before the client answers; old clients keep the
// older exchange. The expected proofs were computed apart from this code (Python's hmac).

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "protocol/session/password.h"

namespace quorvex::session {
namespace {

Buffer Hex(const std::string& hex) {
    Buffer bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

Buffer Counting(std::uint8_t from) {
    Buffer nonce(kNonceBytes);
    std::iota(nonce.begin(), nonce.end(), from);
    return nonce;
}

TEST(ServerProof, KnownAnswersBindBothNoncesAndTheRole) {
    const Buffer client = Counting(0), server = Counting(32);
    const struct {
        std::string password;
        Buffer serverProof, clientProof, oldProof;
    } cases[] = {
        {"sesame", Hex("5653caf6c6354335acfef8879b12cc9f428538629b4e7a28b02ea6cf686f64bd"),
         Hex("d2616f89c59851d029f7d1beaee73b53d4ac55f696e261a2600506447a6b42f9"),
         Hex("46f808672e873df1e9eabe9bd28099a00f2ddb3915db62cb17c7e8d8d5bcb54c")},
        {"", Hex("90b6b0e12a78085be120c83b9fca09cea4d4c06e7a68290c4551b05a63395dee"),
         Hex("d4ebbd63ee731a365bf5b3b13f34ea935df8e79581f81387c041d68e59822d55"),
         Hex("9724f70a32773a1840904e49bb789f73e0023efea2db9f987f43fc932319b1cb")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ServerProof(c.password, client, server), c.serverProof) << c.password;
        EXPECT_EQ(MakeChallenge(c.password, client, server).serverProof, c.serverProof);
        EXPECT_EQ(ExpectedAnswer(c.password, client, server), c.clientProof);
        // A Hello without the client's nonce: the older challenge and answer, byte for byte.
        EXPECT_TRUE(MakeChallenge(c.password, {}, server).serverProof.empty());
        EXPECT_EQ(ExpectedAnswer(c.password, {}, server), c.oldProof);
        EXPECT_EQ(PasswordProof(c.password, server), c.oldProof);
    }
}

TEST(ServerProof, TheClientAnswersOnlyAServerThatProvedItself) {
    const Buffer client = Counting(0), server = Counting(32);
    const Challenge honest = MakeChallenge("sesame", client, server);
    const Challenge guessed = MakeChallenge("guess", client, server);
    const Challenge reflected{server, ClientProof("sesame", client, server)};
    using C = ChallengeCheck;
    const struct {
        const char* what;
        std::string password;
        Buffer clientNonce;
        Challenge challenge;
        C check;
    } cases[] = {
        {"the server with the password", "sesame", client, honest, C::Proven},
        {"a mistyped password", "Sesame", client, honest, C::ProofWrong},
        {"a proof replayed from another greeting", "sesame", Counting(1), honest, C::ProofWrong},
        {"a stranger guessing", "sesame", client, guessed, C::ProofWrong},
        {"a stranger leaving the proof out", "sesame", client, {server, {}}, C::ProofMissing},
        {"the client's own answer reflected", "sesame", client, reflected, C::ProofWrong},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckChallenge(c.password, c.clientNonce, c.challenge), c.check) << c.what;
    }
}

}  // namespace
}  // namespace quorvex::session

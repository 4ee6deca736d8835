#pragma once

// The password handshake's arithmetic: fresh nonces, and proofs keyed with the password
// (HMAC-SHA256), so the password never travels and a proof overheard on one connection is
// worth nothing on the next.
//
// A client that puts its own nonce in its Hello has the server prove first: the Challenge
// carries the server's proof over both nonces, and the client answers only a server that gave
// the right one. A stranger's server, not knowing the password, gets nothing from the client
// that a guess could be checked against. A Hello without the client's nonce (clients that
// predate it) gets the older exchange: the server's nonce alone, answered with a proof of it.

#include <string>

#include "protocol/buffer.h"
#include "protocol/session/frame.h"

namespace quorvex::session {

Buffer NewNonce();
// The older clients' answer: HMAC(password, serverNonce).
Buffer PasswordProof(const std::string& password, ByteView nonce);
// HMAC(password, "server" | clientNonce | serverNonce), and the same with "client" for the
// client's answer: two labels, so neither proof can be passed off as the other.
Buffer ServerProof(const std::string& password, ByteView clientNonce, ByteView serverNonce);
Buffer ClientProof(const std::string& password, ByteView clientNonce, ByteView serverNonce);
// Compares in time that does not depend on where the first difference is.
bool SameProof(ByteView a, ByteView b);

// The server's side. The Challenge to a Hello that carried `clientNonce` (empty: none), with
// `serverNonce` (NewNonce, kept for the answer), and the Answer it then expects.
Challenge MakeChallenge(const std::string& password, ByteView clientNonce, Buffer serverNonce);
Buffer ExpectedAnswer(const std::string& password, ByteView clientNonce, ByteView serverNonce);

// The client's side, after a Hello with `clientNonce`: whether `challenge` proves that its
// server knows `password`. Only then does the client send ClientProof; a challenge without a
// proof is not answered either, or a stranger would only need to leave the proof out.
enum class ChallengeCheck { Proven, ProofMissing, ProofWrong };
ChallengeCheck CheckChallenge(const std::string& password, ByteView clientNonce,
                              const Challenge& challenge);

}  // namespace quorvex::session

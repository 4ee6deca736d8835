#pragma once

// The refusals a server sends for its admission rules, with the texts players read, and what a
// client makes of any refusal: the status its Connect completes with.

#include <cstdint>
#include <string>

#include "protocol/session/frame.h"
#include "protocol/session/session_types.h"

namespace quorvex::session {

// `msLeft` is rounded up to whole minutes or seconds, never shown as 0.
Refusal BannedRefusal(std::int64_t msLeft);
Refusal TooManyJoinsRefusal(std::int64_t msLeft, int joins, std::int64_t windowMs);
Refusal BusyRefusal();
Refusal LockoutRefusal(std::int64_t msLeft);
Refusal WrongPasswordRefusal();
// `why`: what was wrong with the token ("expired", ...), as the player reads it.
Refusal ResumeRefusal(const std::string& why);

// Every reason, known or not: an unknown one is a protocol error with the server's text.
Status StatusOfRefusal(const Refusal& refusal);

// Why a client sent no Answer to a Challenge: the server did not prove that it knows the
// password, with no proof at all (a server that predates it, or one that downgrades on
// purpose) or a wrong one (the password is wrong, or the server is not the one meant; the
// client cannot tell which). `host` is the server as the player named it.
Status UnprovenServerStatus(bool proofMissing, const std::string& host);

}  // namespace quorvex::session

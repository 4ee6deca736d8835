#pragma once

// The password handshake's arithmetic: a fresh nonce per connection, and the proof a client
// sends for it (HMAC-SHA256 keyed with the password), so the password never travels and an
// answer overheard on one connection is worth nothing on the next.

#include <string>

#include "protocol/buffer.h"

namespace quorvex::session {

Buffer NewNonce();
Buffer PasswordProof(const std::string& password, ByteView nonce);
// Compares in time that does not depend on where the first difference is.
bool SameProof(ByteView a, ByteView b);

}  // namespace quorvex::session

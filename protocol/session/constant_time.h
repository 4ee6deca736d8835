#pragma once

// Comparing secrets (password proofs, resume tokens) in a time that tells a guesser nothing of
// how many leading bytes were right.

#include "protocol/buffer.h"

namespace quorvex::session {

inline bool SameSecret(ByteView a, ByteView b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference = static_cast<std::uint8_t>(difference | (a[i] ^ b[i]));
    }
    return difference == 0;
}

}  // namespace quorvex::session

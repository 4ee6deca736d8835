#pragma once

// Password guessing from one address key: after a few wrong answers its answers are not
// checked for a while, a minute at first and twice as long after each further wrong answer,
// up to a longest lockout. A right answer, or a long enough quiet, starts the address afresh.
// Applies to this machine's key too: a lockout costs honest people there only a wait.

#include <cstddef>
#include <cstdint>

#include "protocol/session/address_key.h"
#include "protocol/session/address_table.h"

namespace quorvex::session {

struct LockoutRules {
    int wrongBeforeLockout = 3;
    std::int64_t firstLockoutMs = 60'000;
    std::int64_t longestLockoutMs = 15 * 60'000;
    // An address with no wrong answer for this long starts afresh.
    std::int64_t memoryMs = 60 * 60'000;
    std::size_t maxKeys = 4096;
};

class PasswordLockout {
  public:
    explicit PasswordLockout(LockoutRules rules);

    // How long `key`'s answers still wait (0: its next answer is checked).
    std::int64_t WaitMs(const AddressKey& key, std::int64_t nowMs) const;
    // A wrong answer from `key` (one that was checked): the length of the lockout it starts,
    // 0 when it starts none. Non-zero once per lockout, so the caller logs each once.
    std::int64_t Wrong(const AddressKey& key, std::int64_t nowMs);
    void Right(const AddressKey& key);
    std::size_t TrackedKeys() const { return guesses_.Size(); }

  private:
    struct Guesses {
        int wrong = 0;     // since the last lockout
        int lockouts = 0;  // so far: each next one is twice as long
        std::int64_t lastWrongMs = 0;
        std::int64_t lockedUntilMs = 0;
    };
    bool Spent(const Guesses& g, std::int64_t nowMs) const;

    LockoutRules rules_;
    AddressTable<Guesses> guesses_;
};

}  // namespace quorvex::session

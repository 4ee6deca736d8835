#include "protocol/session/password_lockout.h"

#include <algorithm>

namespace quorvex::session {

PasswordLockout::PasswordLockout(LockoutRules rules) : rules_(rules), guesses_(rules.maxKeys) {}

bool PasswordLockout::Spent(const Guesses& g, std::int64_t nowMs) const {
    return nowMs >= g.lockedUntilMs && nowMs - g.lastWrongMs >= rules_.memoryMs;
}

std::int64_t PasswordLockout::WaitMs(const AddressKey& key, std::int64_t nowMs) const {
    const Guesses* g = guesses_.Find(key);
    return g == nullptr ? 0 : std::max<std::int64_t>(0, g->lockedUntilMs - nowMs);
}

std::int64_t PasswordLockout::Wrong(const AddressKey& key, std::int64_t nowMs) {
    if (WaitMs(key, nowMs) > 0) {
        return 0;  // not checked while locked out, so not counted either
    }
    Guesses& g = guesses_.Get(key, nowMs, [&](const Guesses& e) { return Spent(e, nowMs); });
    if (Spent(g, nowMs)) {
        g = Guesses{};
    }
    g.lastWrongMs = nowMs;
    // After the first lockout every wrong answer starts the next one.
    const int allowed = g.lockouts == 0 ? rules_.wrongBeforeLockout : 1;
    if (++g.wrong < allowed) {
        return 0;
    }
    std::int64_t lockMs = rules_.firstLockoutMs;
    for (int i = 0; i < g.lockouts && lockMs < rules_.longestLockoutMs; ++i) {
        lockMs *= 2;
    }
    lockMs = std::min(lockMs, rules_.longestLockoutMs);
    ++g.lockouts;
    g.wrong = 0;
    g.lockedUntilMs = nowMs + lockMs;
    return lockMs;
}

void PasswordLockout::Right(const AddressKey& key) {
    guesses_.Erase(key);
}

}  // namespace quorvex::session

#include "protocol/session/resume_tokens.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdlib>

#include "protocol/session/constant_time.h"

namespace quorvex::session {

ResumeToken NewResumeToken() {
    ResumeToken token{};
    std::size_t filled = 0;
    while (filled < token.size()) {
        const ssize_t got = ::getrandom(token.data() + filled, token.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            // A token that is not secret would let anyone take over a player: no fallback.
            std::abort();
        }
        filled += static_cast<std::size_t>(got);
    }
    return token;
}

bool SameToken(const ResumeToken& a, ByteView b) {
    return SameSecret(a, b);
}

ResumeToken ResumeTokens::Issue(std::int32_t id) {
    Held& held = players_[id];
    if (held.valid) {
        held.spent.push_back(held.current);
        if (held.spent.size() > kSpentKept) {
            held.spent.erase(held.spent.begin());
        }
    }
    held.current = NewResumeToken();
    held.valid = true;
    held.lostAtMs.reset();
    return held.current;
}

void ResumeTokens::Lost(std::int32_t id, std::int64_t nowMs) {
    const auto found = players_.find(id);
    if (found != players_.end() && !found->second.lostAtMs) {
        found->second.lostAtMs = nowMs;
    }
}

void ResumeTokens::Forget(std::int32_t id) {
    players_.erase(id);
}

ResumeTokens::ClaimResult ResumeTokens::Claim(ByteView token, std::int64_t nowMs) {
    // Every held token is compared to the end, so the time taken tells nothing of which one
    // (or how much of one) matched.
    ClaimResult result;
    Held* matched = nullptr;
    for (auto& [id, held] : players_) {
        const bool current = held.valid && SameToken(held.current, token);
        bool spent = false;
        for (const ResumeToken& old : held.spent) {
            spent = SameToken(old, token) || spent;
        }
        if (current || spent) {
            result = {current ? Verdict::Granted : Verdict::Used, id, false};
            matched = current ? &held : matched;
        }
    }
    if (!Enabled()) {
        return {};
    }
    if (matched == nullptr) {
        return result;
    }
    result.verdict = Verdict::Granted;
    if (matched->lostAtMs && nowMs - *matched->lostAtMs >= graceMs_) {
        result.verdict = Verdict::Expired;
        return result;
    }
    result.stillConnected = !matched->lostAtMs;
    matched->spent.push_back(matched->current);
    if (matched->spent.size() > kSpentKept) {
        matched->spent.erase(matched->spent.begin());
    }
    matched->valid = false;
    return result;
}

}  // namespace quorvex::session

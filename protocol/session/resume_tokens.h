#pragma once

// The secrets that let a player whose connection went come back as itself: one token per
// admitted player, drawn from the system's secure random source. A token is good once: a
// resume spends it and the player is handed a new one. While the player is connected its token
// does not age; once its connection is lost the token is good for the grace, then expired.
// Plain C++ with the clock passed in, so that every rule is tested without sockets or waiting.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "protocol/buffer.h"

namespace quorvex::session {

inline constexpr std::size_t kResumeTokenBytes = 32;
using ResumeToken = std::array<std::uint8_t, kResumeTokenBytes>;

// The system's secure random bytes (getrandom); never a seeded generator.
ResumeToken NewResumeToken();
// Compares in time that does not depend on where the first difference is.
bool SameToken(const ResumeToken& a, ByteView b);

class ResumeTokens {
  public:
    // `graceMs` 0 turns resume off: no token is issued and every claim is unknown.
    explicit ResumeTokens(std::int64_t graceMs) : graceMs_(graceMs) {}

    void SetGrace(std::int64_t graceMs) { graceMs_ = graceMs; }
    std::int64_t GraceMs() const { return graceMs_; }
    bool Enabled() const { return graceMs_ > 0; }

    // A fresh token for the player, now connected; the one it held before is spent.
    ResumeToken Issue(std::int32_t id);
    // The player's connection went at `nowMs`: its token is good for the grace from now.
    void Lost(std::int32_t id, std::int64_t nowMs);
    // The player is gone for good (left, kicked, removed): its tokens are unknown from now on.
    void Forget(std::int32_t id);

    enum class Verdict { Granted, Unknown, Expired, Used };
    struct ClaimResult {
        Verdict verdict = Verdict::Unknown;
        std::int32_t id = 0;  // the player, unless Unknown
        // Granted while the player's old connection is still open: the caller closes it.
        bool stillConnected = false;
    };
    // A client presents `token` at `nowMs`. Granted spends it (Issue the next one); every
    // token held is compared in full, whichever matches.
    ClaimResult Claim(ByteView token, std::int64_t nowMs);

    std::size_t Players() const { return players_.size(); }

  private:
    struct Held {
        ResumeToken current{};
        bool valid = false;  // `current` may be presented
        std::vector<ResumeToken> spent;
        std::optional<std::int64_t> lostAtMs;
    };
    // Spent tokens remembered per player, so that a replay is told apart from a guess.
    static constexpr std::size_t kSpentKept = 4;

    std::int64_t graceMs_;
    std::map<std::int32_t, Held> players_;
};

}  // namespace quorvex::session

#pragma once

// When a client whose connection was lost tries to come back: at once, then after waits that
// double from a quarter of a second up to a second, until the server's grace has run out. The
// longest wait is short so that a link coming back is found within about a second; each try
// costs one small connection. Plain C++, the clock passed in.

#include <cstdint>
#include <optional>

#include "protocol/session/session_types.h"

namespace quorvex::client {

inline constexpr std::int64_t kFirstRetryWaitMs = 250;
inline constexpr std::int64_t kLongestRetryWaitMs = 1000;
// One try's connection and handshake get this long, so that a try sent into a dead link does
// not hold up the next one.
inline constexpr std::int64_t kRetryAttemptMs = 1000;

class ReconnectSchedule {
  public:
    // The connection was lost at `lostAtMs`; the server keeps the player for `graceMs`.
    ReconnectSchedule(std::int64_t lostAtMs, std::int64_t graceMs)
        : deadlineMs_(lostAtMs + graceMs) {}

    // How long to wait before the next try, asked at `nowMs`; none once the grace is over.
    std::optional<std::int64_t> NextWaitMs(std::int64_t nowMs);
    // How long the try starting at `nowMs` may take at most.
    std::int64_t AttemptMs(std::int64_t nowMs) const;
    bool Over(std::int64_t nowMs) const { return nowMs >= deadlineMs_; }

  private:
    std::int64_t deadlineMs_;
    std::int64_t nextWaitMs_ = 0;
};

// Whether a try that failed this way is worth another: a link still down or a busy server is;
// a refusal of the token, a ban or a lockout is final.
bool WorthRetrying(session::ErrorCode code);

}  // namespace quorvex::client

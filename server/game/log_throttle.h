#pragma once

// Keeps a flood of one kind of event out of the log: each cause may write a burst of lines
// and then a few a second; what is held back beyond that is counted, and the count is written
// in one line when the cause has room again. Plain C++ with the clock passed in.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/session/rate_budget.h"

namespace quorvex::server {

class LogThrottle {
  public:
    static constexpr double kLinesPerSecond = 2;
    static constexpr double kBurst = 10;
    // Causes kept apart; the lines of any further cause share one budget.
    static constexpr std::size_t kMaxCauses = 64;

    struct Summary {
        std::string cause;
        std::int64_t count = 0;  // lines held back since the cause's last summary
    };

    // Whether a line of `cause` may be written at `nowMs` (a monotonic clock); a line that
    // may not is counted for the cause's next summary.
    bool Admit(const std::string& cause, std::int64_t nowMs);
    // The causes holding lines back that have room for a line again, each with its count. A
    // summary takes the room of one line, and its count starts again from 0.
    std::vector<Summary> DueSummaries(std::int64_t nowMs);
    // Whether some cause holds lines back that no summary has reported yet.
    bool Holding() const;

  private:
    struct Cause {
        session::RateBudget budget{kLinesPerSecond, kBurst};
        std::int64_t held = 0;
    };
    Cause& Find(const std::string& cause);

    std::map<std::string, Cause, std::less<>> causes_;
};

// The cause of a free-form line (the session's and the host's notices): its first words, up
// to four and only those made of letters alone, so that lines differing in a number, an
// address or a name share one cause.
std::string LineCause(std::string_view text);

}  // namespace quorvex::server

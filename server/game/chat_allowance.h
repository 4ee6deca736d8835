#pragma once

// How many chat lines each player may send: a steady rate with a burst, one allowance per
// player identifier. A line over it is dropped, and the log hears of the drops at most once a
// second per player, so that a flood cannot flood the log too. Times are milliseconds of the
// host's monotonic clock, passed in.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "protocol/session/rate_budget.h"

namespace quorvex::server {

class ChatAllowance {
  public:
    ChatAllowance() = default;  // no limit: every line passes
    ChatAllowance(double linesPerSecond, double burst)
        : linesPerSecond_(linesPerSecond), burst_(burst) {}

    // Spends one line of `player`'s allowance at `nowMs`: true when it fits. A line that does
    // not fit is counted as dropped, and `notice` gets a line for the log when one is due.
    bool Spend(std::int32_t player, std::int64_t nowMs, std::optional<std::string>& notice);
    // The player's connection is gone, and its allowance with it.
    void Forget(std::int32_t player) { players_.erase(player); }

  private:
    struct Allowance {
        session::RateBudget lines;
        session::DropTally dropped;
    };
    std::optional<double> linesPerSecond_;
    double burst_ = 0;
    std::unordered_map<std::int32_t, Allowance> players_;
};

}  // namespace quorvex::server

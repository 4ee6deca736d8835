#pragma once

// How much a peer may send: a token bucket that refills at a steady rate up to a burst. Plain
// C++ with the clock passed in, so the arithmetic is tested without waiting.

#include <algorithm>
#include <cstdint>

namespace quorvex::session {

class RateBudget {
  public:
    RateBudget(double perSecond, double burst)
        : perSecond_(perSecond), burst_(burst), left_(burst) {}

    // Spends `amount` at `nowMs` (a monotonic clock) when it fits: true. What does not fit is
    // not spent but remembered as excess, which fades at the same rate as the budget refills.
    bool Spend(std::int64_t nowMs, double amount = 1) {
        Refill(nowMs);
        if (left_ >= amount) {
            left_ -= amount;
            return true;
        }
        excess_ += amount;
        return false;
    }
    // More excess than a whole burst: the peer sends at well over twice its rate, no accident.
    bool FarOver() const { return excess_ > burst_; }

  private:
    void Refill(std::int64_t nowMs) {
        if (started_ && nowMs > lastMs_) {
            const double gained = perSecond_ * static_cast<double>(nowMs - lastMs_) / 1000.0;
            left_ = std::min(burst_, left_ + gained);
            excess_ = std::max(0.0, excess_ - gained);
        }
        if (!started_ || nowMs > lastMs_) {
            lastMs_ = nowMs;
        }
        started_ = true;
    }

    double perSecond_;
    double burst_;
    double left_;
    double excess_ = 0;
    std::int64_t lastMs_ = 0;
    bool started_ = false;
};

// Counts what was dropped and says when it is time to log it: at the first drop, then at most
// once per interval, so a flood cannot flood the log too.
class DropTally {
  public:
    explicit DropTally(std::int64_t intervalMs = 1000) : intervalMs_(intervalMs) {}

    // One more dropped at `nowMs`; true when a log line is due (then take the count with Take).
    bool Count(std::int64_t nowMs) {
        ++total_;
        ++pending_;
        if (logged_ && nowMs - lastLogMs_ < intervalMs_) {
            return false;
        }
        logged_ = true;
        lastLogMs_ = nowMs;
        return true;
    }
    // The drops since the last log line.
    std::int64_t Take() {
        const auto count = pending_;
        pending_ = 0;
        return count;
    }
    std::int64_t Total() const { return total_; }

  private:
    std::int64_t intervalMs_;
    std::int64_t total_ = 0;
    std::int64_t pending_ = 0;
    std::int64_t lastLogMs_ = 0;
    bool logged_ = false;
};

}  // namespace quorvex::session

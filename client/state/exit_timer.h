#pragma once

// Timer1, the exit delay: it gives the session time to deliver PlayerLeft before it closes.

#include <cstdint>

namespace quorvex::client {

class ExitTimer {
  public:
    static constexpr std::int32_t kFirstInterval = 1;  // ms
    static constexpr std::int32_t kLastInterval = 1000;

    // The interval to wait before the next tick.
    std::int32_t Interval() const { return interval_; }

    // One tick: doubles the interval and returns true when it has grown past kLastInterval,
    // that is on the tenth tick (interval 1024, about 1023 ms after the first start): the
    // session closes and the program ends. Ticks after that keep returning true.
    bool Tick();

    bool Finished() const { return interval_ > kLastInterval; }

  private:
    std::int32_t interval_ = kFirstInterval;
};

}  // namespace quorvex::client

#pragma once

// SIGINT and SIGTERM as events on the Qt event loop, for the programs that run without a
// window (the dedicated server, a computer player): the handler only writes the signal's number
// to a pipe, and `stop` runs on the loop with it, where anything may be done.

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace quorvex {

class StopSignals {
  public:
    explicit StopSignals(std::function<void(int signal)> stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    std::function<void(int)> stop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvex

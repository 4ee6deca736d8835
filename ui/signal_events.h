#pragma once

// Signals as events on the Qt event loop, for the programs that run without a window (the
// dedicated server, a computer player): the handler only writes the signal's number to a pipe,
// and `handle` runs on the loop with it, where anything may be done. Signals that arrive
// together are handled once each. Several instances may live at once, each for its own
// signals.

#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <vector>

namespace quorvex {

class SignalEvents {
  public:
    SignalEvents(std::vector<int> which, std::function<void(int signal)> handle);
    ~SignalEvents();
    SignalEvents(const SignalEvents&) = delete;
    SignalEvents& operator=(const SignalEvents&) = delete;

  private:
    std::vector<int> signals_;
    std::function<void(int)> handle_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvex

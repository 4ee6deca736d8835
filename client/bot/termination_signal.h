#pragma once

// SIGTERM and SIGINT as an event on the Qt event loop: the handler only writes a byte to a
// pipe, and a socket notifier on the other end calls back in the loop, where anything may run.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace quorvex::client::bot {

class TerminationSignal {
  public:
    // Installs the handlers; `onSignal` runs on the event loop, once per signal delivered.
    explicit TerminationSignal(std::function<void()> onSignal);
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

    bool Installed() const { return notifier_ != nullptr; }

  private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvex::client::bot

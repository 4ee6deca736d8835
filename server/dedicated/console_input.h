#pragma once

// Standard input, on the Qt event loop.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <string>

namespace quorvex::server {

// Calls `line` for every line read from standard input. At the end of the input (a closed
// terminal, /dev/null under a service manager) it stops watching and calls `ended` once: the
// server keeps running. A line longer than kMaxLineBytes is dropped whole, reported through
// `tooLong`.
class StdinLines {
  public:
    static constexpr std::size_t kMaxLineBytes = 4096;

    StdinLines(std::function<void(const std::string&)> line, std::function<void()> ended,
               std::function<void()> tooLong);

  private:
    void Read();

    std::function<void(const std::string&)> line_;
    std::function<void()> ended_;
    std::function<void()> tooLong_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::string pending_;
    bool skipping_ = false;  // inside an overlong line, up to its end
};

}  // namespace quorvex::server

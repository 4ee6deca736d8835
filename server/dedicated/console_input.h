#pragma once

// Standard input, on the Qt event loop.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace quorvex::server {

// Whether standard input is read now. A terminal is read only while the server is its
// foreground job: a job sent to the background (`&`, Ctrl+Z then `bg`) that read the terminal
// would be stopped by it, freezing the game. A pipe or a file is always read.
enum class StdinUse { Read, WaitForForeground, Off };
StdinUse StdinUseFor(bool wanted, bool terminal, bool foreground);

// Calls `line` for every line read from standard input. At the end of the input (a closed
// terminal, /dev/null under a service manager) it stops watching and calls `ended` once: the
// server keeps running. A line longer than kMaxLineBytes is dropped whole, reported through
// `tooLong`.
class StdinLines {
  public:
    static constexpr std::size_t kMaxLineBytes = 4096;

    // `wanted` false (`--no-stdin`): standard input is never read.
    StdinLines(std::function<void(const std::string&)> line, std::function<void()> ended,
               std::function<void()> tooLong, bool wanted = true);

  private:
    void Read();
    // Reads while in the foreground, else looks again a second later.
    void Watch();

    std::function<void(const std::string&)> line_;
    std::function<void()> ended_;
    std::function<void()> tooLong_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer foreground_;
    std::string pending_;
    bool skipping_ = false;  // inside an overlong line, up to its end
};

}  // namespace quorvex::server

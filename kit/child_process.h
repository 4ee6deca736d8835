#pragma once

// A benchmark's server runs as a child process, so that its CPU time and memory are its own
// and can be read from outside: a pipe to its standard input for commands, one from its
// standard output for its report.

#include <sys/resource.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvex::kit {

class ChildProcess {
  public:
    // Starts `program` with `args`; check Running().
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    void Send(const std::string& line);
    // The next line of its output (without the line feed); empty after `timeoutMs` or at its
    // end.
    std::optional<std::string> ReadLine(int timeoutMs);
    // What follows `prefix` on the first line of its output that starts with it; empty when
    // none comes within `timeoutMs`.
    std::optional<std::string> Answer(const std::string& prefix, int timeoutMs);
    // Everything it still writes, up to its end.
    std::vector<std::string> ReadRemainingLines(int timeoutMs);

    // From /proc/<pid>/status: the peak and current resident set, in KiB.
    std::optional<long> PeakRssKb() const;
    std::optional<long> RssKb() const;
    // From /proc/<pid>/stat: its user and system CPU time so far, in seconds.
    std::optional<double> CpuSeconds() const;

    // Waits for it to end (killing it after `timeoutMs`); its resource usage as the kernel
    // counted it.
    std::optional<rusage> Wait(int timeoutMs);

  private:
    std::optional<long> StatusField(const std::string& field) const;

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
};

// The directory of the running program, for finding its companion binaries.
std::string OwnDirectory();

}  // namespace quorvex::kit

#pragma once

// Clock, statistics, options and goal lines for the printed benchmarks.

#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::kit {

// CLOCK_MONOTONIC in nanoseconds: one clock for every process on the machine, so a time taken
// in the server can be compared with one taken in a bot.
std::int64_t MonotonicNs();

struct Spread {
    std::size_t count = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

// User plus system time of a getrusage or wait4 count, in seconds.
double CpuSeconds(const rusage& usage);

// Nearest-rank percentiles of the samples (sorted in place).
Spread SpreadOf(std::vector<double>& samples);

// "--name value" from the command line, or `fallback`.
std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback);

// Whether "--name" stands on the command line.
bool Flag(int argc, char** argv, const std::string& name);

// "10,25,50" as numbers; empty on anything that is not a list of positive whole numbers.
std::vector<int> NumberList(const std::string& text);

// "met" or "NOT met": how every goal line ends.
const char* Verdict(bool met);

// Prints "goal: <what>: met" (or "NOT met") and returns `met`.
bool PrintGoal(const std::string& what, bool met);

}  // namespace quorvex::kit

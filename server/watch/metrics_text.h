#pragma once

// The /metrics page in the Prometheus text format (version 0.0.4): what the server already
// counts, gathered when the page is asked for. Plain C++.

#include <array>
#include <cstdint>
#include <string>

#include "protocol/session/session_server.h"
#include "protocol/session/watch/watch_listener.h"

namespace quorvex::server::watch {

// How late the event loop ran a timer, in buckets of seconds; each count is cumulative as the
// format wants it (a sample of 3 ms counts in the 0.005 bucket and every larger one).
class LagHistogram {
  public:
    static constexpr std::array<double, 9> kBounds{0.001, 0.002, 0.005, 0.01, 0.025,
                                                   0.05,  0.1,   0.25,  1.0};
    void Add(double seconds);
    std::string Text(const std::string& name) const;

  private:
    std::array<std::uint64_t, kBounds.size()> buckets_{};
    std::uint64_t count_ = 0;
    double sum_ = 0;
};

struct MetricsSample {
    std::size_t players = 0;  // on the roster
    std::size_t seats = 0;
    std::int64_t rounds = 0;
    std::int64_t standingsWriteFailures = 0;
    session::SessionCounters session;
    session::watch::WatchCounters watch;
    int watchers = 0;
};

std::string MetricsText(const MetricsSample& sample, const LagHistogram& lag);

}  // namespace quorvex::server::watch

#pragma once

// The standings on disk: every finished round in an SQLite file (Qt SQL's driver, WAL mode,
// each round one transaction synced before it counts), so that a crash or a power cut loses at
// most the round in progress. Every failure is returned as text and never thrown: the caller
// reports it and the game runs on without the file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/stats/round_result.h"

namespace quorvex::server::stats {

struct Standing {
    std::string name;
    std::int64_t wins = 0;
    std::int64_t misses = 0;
    std::int64_t rounds = 0;
};

class StandingsStore {
  public:
    StandingsStore();
    ~StandingsStore();
    StandingsStore(const StandingsStore&) = delete;
    StandingsStore& operator=(const StandingsStore&) = delete;

    // Opens or creates the file (and its folder); the error when it cannot, or when the file
    // is not a standings database it can use.
    std::optional<std::string> Open(const std::string& path);
    bool IsOpen() const { return open_; }
    const std::string& Path() const { return path_; }

    std::optional<std::string> Record(const RoundResult& round);
    // Most wins first, then fewest misses, then by name; rounds ended at or after `sinceMs`,
    // at most `count` players.
    std::vector<Standing> Since(std::int64_t sinceMs, std::size_t count) const;
    std::int64_t Rounds() const;

  private:
    std::string connection_;
    std::string path_;
    bool open_ = false;
};

// Where the standings live without --stats-file: $STATE_DIRECTORY (a service's), else
// $XDG_STATE_HOME/quorvex, else ~/.local/state/quorvex; the file standings.sqlite there.
std::string DefaultStandingsPath();

}  // namespace quorvex::server::stats

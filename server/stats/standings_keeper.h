#pragma once

// Keeps the standings: watches the game for finished rounds (passing every event on to the
// observer it replaces, the dedicated server's log) and writes each to the store. A store that
// cannot be opened or written is reported once, through the log callback; the game never
// waits for it and runs on without it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "server/game/game_events.h"
#include "server/game/server_game.h"
#include "server/stats/standings_store.h"

namespace quorvex::server::stats {

class StandingsKeeper : public PassingEvents {
  public:
    StandingsKeeper(const ServerGame& game, std::function<void(const std::string&)> log);

    // Opens the file; false (reported) when it cannot, and nothing is kept then.
    bool Open(const std::string& path);

    const StandingsStore& Store() const { return store_; }
    // Rounds ended since the server started, written or not.
    std::int64_t RoundsEnded() const { return roundsEnded_; }
    std::int64_t WriteFailures() const { return writeFailures_; }
    // The evening's standings (since 06:00 local time) and all time's, at most `count` each.
    std::vector<Standing> Tonight(std::size_t count) const;
    std::vector<Standing> AllTime(std::size_t count) const;

    void RoundEnded(const std::vector<SeatRow>& result) override;

  private:
    const ServerGame& game_;
    std::function<void(const std::string&)> log_;
    StandingsStore store_;
    std::int64_t roundsEnded_ = 0;
    std::int64_t writeFailures_ = 0;
    bool failureReported_ = false;
};

// The `stats [N]` command's lines: tonight's and all time's first N (10 without N).
std::vector<std::string> StandingsLines(const StandingsKeeper& keeper, std::size_t count);

}  // namespace quorvex::server::stats

#include "server/stats/standings_keeper.h"

#include <QDateTime>

#include "server/game/log_text.h"

namespace quorvex::server::stats {

StandingsKeeper::StandingsKeeper(const ServerGame& game,
                                 std::function<void(const std::string&)> log)
    : game_(game), log_(std::move(log)) {}

bool StandingsKeeper::Open(const std::string& path) {
    if (const auto error = store_.Open(path)) {
        log_("error: the standings are not kept: " + path + ": " + *error);
        return false;
    }
    return true;
}

std::vector<Standing> StandingsKeeper::Tonight(std::size_t count) const {
    const QDateTime now = QDateTime::currentDateTime();
    return store_.Since(EveningStartMs(now.toMSecsSinceEpoch(), now.offsetFromUtc()), count);
}

std::vector<Standing> StandingsKeeper::AllTime(std::size_t count) const {
    return store_.Since(0, count);
}

void StandingsKeeper::RoundEnded(const std::vector<SeatRow>& result) {
    ++roundsEnded_;
    if (store_.IsOpen()) {
        const auto round = ResultOf(game_.SelectedGameType(), game_.Limit(), result,
                                    QDateTime::currentMSecsSinceEpoch());
        if (const auto error = store_.Record(round)) {
            ++writeFailures_;
            // Once: a locked or broken file would otherwise fill the log every round.
            if (!failureReported_) {
                failureReported_ = true;
                log_("error: a round could not be written to the standings (" + *error +
                     "); the game goes on");
            }
        } else if (failureReported_) {
            failureReported_ = false;
            log_("the standings are written again");
        }
    }
    PassingEvents::RoundEnded(result);
}

std::vector<std::string> StandingsLines(const StandingsKeeper& keeper, std::size_t count) {
    if (!keeper.Store().IsOpen()) {
        return {"error: the standings are not kept (see the start of the log)"};
    }
    std::vector<std::string> lines;
    const auto add = [&](const std::string& title, const std::vector<Standing>& standings) {
        lines.push_back(title + ": " + std::to_string(standings.size()) +
                        (standings.size() == 1 ? " player" : " players"));
        for (std::size_t i = 0; i < standings.size(); ++i) {
            const auto& s = standings[i];
            lines.push_back(std::to_string(i + 1) + ". " + LogQuoted(s.name) + " wins " +
                            std::to_string(s.wins) + " misses " + std::to_string(s.misses) +
                            " rounds " + std::to_string(s.rounds));
        }
    };
    add("tonight", keeper.Tonight(count));
    add("all time", keeper.AllTime(count));
    return lines;
}

}  // namespace quorvex::server::stats

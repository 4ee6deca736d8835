#include "server/stats/round_result.h"

#include <algorithm>
#include <limits>

#include "protocol/numeric.h"

namespace quorvex::server::stats {
namespace {

std::int64_t Misses(const SeatRow& seat) {
    const double value = NumericValue(seat.playerMisses).value_or(0);
    return static_cast<std::int64_t>(std::clamp(value, -1e15, 1e15));
}

}  // namespace

RoundResult ResultOf(GameType type, const std::string& limit, const std::vector<SeatRow>& seats,
                     std::int64_t endedAtMs) {
    RoundResult result;
    result.endedAtMs = endedAtMs;
    result.gameType = type == GameType::Points ? "points" : "survivor";
    result.limit = limit;
    const double limitValue = NumericValue(limit).value_or(0);
    std::int64_t fewest = std::numeric_limits<std::int64_t>::max();
    for (const auto& seat : seats) {
        fewest = std::min(fewest, Misses(seat));
    }
    for (const auto& seat : seats) {
        const std::int64_t misses = Misses(seat);
        const bool won =
            type == GameType::Points ? misses == fewest : static_cast<double>(misses) <= limitValue;
        result.players.push_back({seat.playerName, won ? 1 : 0, misses});
    }
    return result;
}

std::int64_t EveningStartMs(std::int64_t nowMs, std::int64_t utcOffsetSeconds) {
    constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
    constexpr std::int64_t kEveningBeginsMs = 6 * 60 * 60 * 1000;
    const std::int64_t local = nowMs + utcOffsetSeconds * 1000 - kEveningBeginsMs;
    const std::int64_t day = local >= 0 ? local / kDayMs : (local - kDayMs + 1) / kDayMs;
    return day * kDayMs + kEveningBeginsMs - utcOffsetSeconds * 1000;
}

}  // namespace quorvex::server::stats

#include "server/game/chat_allowance.h"

namespace quorvex::server {

bool ChatAllowance::Spend(std::int32_t player, std::int64_t nowMs,
                          std::optional<std::string>& notice) {
    if (!linesPerSecond_) {
        return true;
    }
    auto& allowance =
        players_
            .try_emplace(player, Allowance{session::RateBudget(*linesPerSecond_, burst_),
                                           session::DropTally()})
            .first->second;
    if (allowance.lines.Spend(nowMs)) {
        return true;
    }
    if (allowance.dropped.Count(nowMs)) {
        notice = "Dropped " + std::to_string(allowance.dropped.Take()) +
                 " chat lines from player " + std::to_string(player) + ": over its chat limit";
    }
    return false;
}

}  // namespace quorvex::server

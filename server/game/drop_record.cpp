#include "server/game/drop_record.h"

#include <algorithm>

#include "server/game/server_game.h"

namespace quorvex::server {

bool DropRecord::Add(std::int32_t id, std::int64_t atMs) {
    if (Contains(id)) {
        return false;
    }
    drops_.push_back({id, atMs});
    return true;
}

void DropRecord::Remove(std::int32_t id) {
    std::erase_if(drops_, [id](const Drop& drop) { return drop.id == id; });
}

bool DropRecord::Contains(std::int32_t id) const {
    return std::ranges::any_of(drops_, [id](const Drop& drop) { return drop.id == id; });
}

std::optional<std::int32_t> DropRecord::Oldest() const {
    if (drops_.empty()) {
        return std::nullopt;
    }
    return std::ranges::min_element(drops_, {}, &Drop::atMs)->id;
}

std::optional<std::int64_t> DropRecord::Effective() const {
    if (!graceMs_) {
        return std::nullopt;
    }
    return std::max(*graceMs_, resumeGraceMs_);
}

std::vector<std::int32_t> DropRecord::Lapsed(std::int64_t nowMs) const {
    std::vector<std::int32_t> lapsed;
    const auto grace = Effective();
    for (const Drop& drop : drops_) {
        if (grace && nowMs - drop.atMs >= *grace) {
            lapsed.push_back(drop.id);
        }
    }
    return lapsed;
}

std::optional<std::int64_t> DropRecord::NextLapseMs() const {
    const auto grace = Effective();
    if (!grace || drops_.empty()) {
        return std::nullopt;
    }
    const auto first = std::ranges::min_element(drops_, {}, &Drop::atMs);
    return first->atMs + *grace;
}

bool ServerGame::OnDestroyPlayer(std::int32_t id, std::int64_t nowMs) {
    chat_.Forget(id);
    const RosterEntry* entry = FindPlayer(id);
    if (entry == nullptr) {
        events_->ConnectionClosed(id);
        return false;
    }
    if (!drops_.Add(id, nowMs)) {
        return false;
    }
    events_->PlayerDropped(*entry);
    return true;
}

bool ServerGame::MakeRoomForNewcomer() {
    // The server's own player counts against the maximum but is not on the roster.
    const auto oldest = drops_.Oldest();
    if (!oldest || roster_.size() + 1 < playerMaximum_) {
        return false;
    }
    RemovePlayer(*oldest, RemoveCause::Dropped);
    return true;
}

int ServerGame::RemoveLapsedDrops(std::int64_t nowMs) {
    const auto lapsed = drops_.Lapsed(nowMs);
    for (const std::int32_t id : lapsed) {
        RemovePlayer(id, RemoveCause::Dropped);
    }
    return static_cast<int>(lapsed.size());
}

}  // namespace quorvex::server

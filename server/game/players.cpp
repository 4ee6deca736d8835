#include <algorithm>

#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/peer_number.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {
namespace {

// Seats are matched by the numeric value of their PlayerIndex text.
bool SeatOf(const SeatRow& row, std::int32_t id) {
    const auto value = NumericValue(row.playerIndex);
    return value && *value == static_cast<double>(id);
}

}  // namespace

bool ServerGame::AddPlayer(const std::string& name, std::int32_t id) {
    if (roster_.size() >= capacity_.rosterEntries) {
        return false;
    }
    roster_.push_back(RosterEntry{name, id});
    // Sent at once, with the newcomer last: that is how a client learns its own identifier.
    if (!SendRoster()) {
        return false;
    }
    return SeatPlayer(id);
}

bool ServerGame::RemovePlayer(std::int32_t id) {
    auto entry = roster_.begin();
    while (entry != roster_.end()) {
        if (entry->id != id) {
            ++entry;
            continue;
        }
        entry = roster_.erase(entry);
        // Clients must see the seat table without the player before they hear it left.
        if (RemoveAllSeats(id) > 0 && !SendScoreboard()) {
            return false;
        }
        if (!SendPlayerLeft(id)) {
            return false;
        }
    }
    return true;
}

int ServerGame::LastRosterIndex() const {
    return static_cast<int>(roster_.size()) - 1;
}

bool ServerGame::SeatPlayer(std::int32_t id) {
    const auto entry = std::find_if(roster_.begin(), roster_.end(),
                                    [id](const RosterEntry& e) { return e.id == id; });
    if (entry == roster_.end() || seats_.size() >= capacity_.seatRows) {
        return false;
    }
    // A player may hold several seats: nothing checks for one already taken.
    seats_.push_back(SeatRow{FormatInteger(id), entry->name, "0", "0"});
    return SendScoreboard();
}

bool ServerGame::UnseatPlayer(std::int32_t id) {
    const auto seat = FindSeat(id);
    if (seat == seats_.end()) {
        return false;
    }
    seats_.erase(seat);
    return SendScoreboard();
}

bool ServerGame::SendScoreboard() {
    msg::Scoreboard board;
    board.seats.reserve(seats_.size());
    for (const auto& row : seats_) {
        board.seats.push_back({row.playerIndex, row.playerWins, row.playerMisses});
    }
    return SendToAll(outbox_, board);
}

bool ServerGame::SendPlayerLeft(std::int32_t id) {
    return SendToAll(outbox_, msg::PlayerLeft{id});
}

bool ServerGame::Kick(std::optional<int> selectedRow) {
    if (!selectedRow || *selectedRow < 0 ||
        static_cast<std::size_t>(*selectedRow) >= seats_.size()) {
        return false;
    }
    const auto id = PeerInt32(seats_[static_cast<std::size_t>(*selectedRow)].playerIndex);
    // The player's connection stays open: a kick only takes it out of the game.
    return id && RemovePlayer(*id);
}

bool ServerGame::SendRoster() {
    return SendToAll(outbox_, msg::Roster{roster_});
}

std::size_t ServerGame::RemoveAllSeats(std::int32_t id) {
    return std::erase_if(seats_, [id](const SeatRow& row) { return SeatOf(row, id); });
}

std::vector<SeatRow>::iterator ServerGame::FindSeat(std::int32_t id) {
    return std::find_if(seats_.begin(), seats_.end(),
                        [id](const SeatRow& row) { return SeatOf(row, id); });
}

}  // namespace quorvex::server

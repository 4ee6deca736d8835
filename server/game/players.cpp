#include <algorithm>
#include <iterator>

#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/peer_number.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {
namespace {

// Encoded sizes: the type Byte, an Integer count, then per entry a Long and a String (a 16-bit
// length and the bytes).
constexpr std::size_t kListHeaderBytes = 1 + 2;
constexpr std::size_t kRosterEntryFixedBytes = 4 + 2;
// A seat row at its longest: an identifier of 11 characters, wins and misses of 16 (15
// significant digits and a sign), each a String. Misses and wins grow after seating, so the
// seat table is bounded by what its rows may become, not by what they hold now.
constexpr std::size_t kSeatRowMostBytes = (2 + 11) + (2 + 16) + (2 + 16);

// Seats are matched by the numeric value of their PlayerIndex text.
bool SeatOf(const SeatRow& row, std::int32_t id) {
    const auto value = NumericValue(row.playerIndex);
    return value && *value == static_cast<double>(id);
}

}  // namespace

bool ServerGame::AddPlayer(const std::string& name, std::int32_t id) {
    // A newcomer that could not be sent its Roster would never learn its identifier.
    if (!CanAddPlayer(name)) {
        return false;
    }
    roster_.push_back(RosterEntry{name, id});
    events_->PlayerJoined(roster_.back());
    // Sent at once, with the newcomer last: that is how a client learns its own identifier.
    if (!SendRoster()) {
        return false;
    }
    return SeatPlayer(id);
}

bool ServerGame::CanAddPlayer(const std::string& name) const {
    if (roster_.size() >= capacity_.rosterEntries) {
        return false;
    }
    std::size_t bytes = kListHeaderBytes + kRosterEntryFixedBytes + name.size();
    for (const auto& entry : roster_) {
        bytes += kRosterEntryFixedBytes + entry.name.size();
    }
    return bytes <= capacity_.messageBytes;
}

bool ServerGame::RemovePlayer(std::int32_t id, RemoveCause cause) {
    auto entry = roster_.begin();
    while (entry != roster_.end()) {
        if (entry->id != id) {
            ++entry;
            continue;
        }
        const RosterEntry removed = *entry;
        entry = roster_.erase(entry);
        drops_.Remove(id);
        // Its ready stays counted, as before, but nobody can take it back any more.
        readyGiven_.erase(id);
        heardLobby_.erase(id);
        events_->PlayerRemoved(removed, cause);
        if (removalHook_) {
            removalHook_(id, cause);
        }
        // Clients must see the seat table without the player before they hear it left.
        if (RemoveAllSeats(id) > 0) {
            events_->SeatsChanged();
            if (!SendScoreboard()) {
                return false;
            }
        }
        if (!SendPlayerLeft(id)) {
            return false;
        }
    }
    return true;
}

void ServerGame::SetPlayerMaximum(std::int32_t players) {
    playerMaximum_ = static_cast<std::size_t>(std::max(players, 0));
}

bool ServerGame::SeatPlayer(std::int32_t id) {
    const RosterEntry* entry = FindPlayer(id);
    if (entry == nullptr) {
        return false;
    }
    if (!SeatTableHasRoom()) {
        events_->RequestIgnored(id, IgnoredRequest::SeatTableFull);
        return false;
    }
    // A player may hold several seats, but one taking seat after seat would fill the table
    // and swell every Scoreboard: the table stops at the session's player maximum. A first
    // seat is never refused for that: someone's latest extra seat gives way to it, so nobody's
    // extra seats keep a newcomer or a returning spectator out.
    if (seats_.size() >= playerMaximum_) {
        if (HoldsSeat(id)) {
            events_->RequestIgnored(id, IgnoredRequest::SeatOverPlayerMaximum);
            return false;
        }
        DropLatestExtraSeat();
    }
    seats_.push_back(SeatRow{FormatInteger(id), entry->name, "0", "0"});
    NoteSeatTaken(id);
    events_->SeatsChanged();
    return SendScoreboard();
}

bool ServerGame::UnseatPlayer(std::int32_t id) {
    const auto seat = FindSeat(id);
    if (seat == seats_.end()) {
        return false;
    }
    seats_.erase(seat);
    events_->SeatsChanged();
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
    return id && RemovePlayer(*id, RemoveCause::Kicked);
}

bool ServerGame::SendRoster() {
    return SendToAll(outbox_, msg::Roster{roster_});
}

bool ServerGame::SeatTableHasRoom() const {
    return seats_.size() < capacity_.seatRows &&
           kListHeaderBytes + (seats_.size() + 1) * kSeatRowMostBytes <= capacity_.messageBytes;
}

void ServerGame::DropLatestExtraSeat() {
    for (auto row = seats_.rbegin(); row != seats_.rend(); ++row) {
        const auto earlier = std::find_if(row + 1, seats_.rend(), [&](const SeatRow& other) {
            return other.playerIndex == row->playerIndex;
        });
        if (earlier != seats_.rend()) {
            seats_.erase(std::next(row).base());
            return;
        }
    }
}

bool ServerGame::HoldsSeat(std::int32_t id) const {
    return std::any_of(seats_.begin(), seats_.end(),
                       [id](const SeatRow& row) { return SeatOf(row, id); });
}

const RosterEntry* ServerGame::FindPlayer(std::int32_t id) const {
    const auto entry = std::find_if(roster_.begin(), roster_.end(),
                                    [id](const RosterEntry& e) { return e.id == id; });
    return entry == roster_.end() ? nullptr : &*entry;
}

void ServerGame::SetEvents(GameEvents* events) {
    static GameEvents none;  // every event ignored
    events_ = events != nullptr ? events : &none;
}

std::size_t ServerGame::RemoveAllSeats(std::int32_t id) {
    return std::erase_if(seats_, [id](const SeatRow& row) { return SeatOf(row, id); });
}

std::vector<SeatRow>::iterator ServerGame::FindSeat(std::int32_t id) {
    return std::find_if(seats_.begin(), seats_.end(),
                        [id](const SeatRow& row) { return SeatOf(row, id); });
}

}  // namespace quorvex::server

#include <algorithm>
#include <limits>

#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/peer_number.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {
namespace {

// Wins, misses and the limit are texts the server wrote itself; a text without a value
// counts as 0.
double ValueOf(const std::string& text) {
    return NumericValue(text).value_or(0.0);
}

}  // namespace

bool ServerGame::HandleSeatRequest(ByteView bytes, std::optional<std::int32_t> sender) {
    const auto request = msg::Decode<msg::SeatRequest>(bytes);
    if (!request) {
        return false;
    }
    const auto id = PeerInt32(request->id);
    if (!id) {
        return false;
    }
    switch (request->request) {
        case msg::kSeatTake:
            return SeatPlayer(*id);
        case msg::kSeatGiveUp:
            return UnseatPlayer(*id);
        case msg::kSeatGiveUpReady:
            // Only a ready the player gave in this lobby is taken back; the seat goes anyway.
            if (sender && readyGiven_.count(*sender) == 0) {
                events_->RequestIgnored(*sender, IgnoredRequest::ReadyNotGiven);
                return UnseatPlayer(*id);
            }
            if (readyCount_ == std::numeric_limits<std::int16_t>::min()) {
                return false;
            }
            if (sender) {
                readyGiven_.erase(*sender);
            }
            --readyCount_;
            return UnseatPlayer(*id);
        default:
            return false;
    }
}

// A player's Ready counts once per lobby: a second one would let one player stand for all the
// seats the ball waits for. A Ready whose sender is unknown counts as it comes.
bool ServerGame::HandleReady(ByteView bytes, std::optional<std::int32_t> sender) {
    if (!msg::Decode<msg::ReadyRequest>(bytes) ||
        readyCount_ == std::numeric_limits<std::int16_t>::max()) {
        return false;
    }
    if (sender && FindPlayer(*sender) == nullptr) {
        events_->RequestIgnored(*sender, IgnoredRequest::ReadyFromNonPlayer);
        return false;
    }
    if (sender && !readyGiven_.insert(*sender).second) {
        events_->RequestIgnored(*sender, IgnoredRequest::ReadyAgain);
        return false;
    }
    ++readyCount_;
    // As the clients judge it: every seat ready, the lobby gets out of the way.
    if (static_cast<double>(seats_.size()) <= readyCount_) {
        lobbyShown_ = false;
    }
    return SendToAll(outbox_, msg::ReadyTally{FormatInteger(readyCount_)});
}

bool ServerGame::CountMiss(int seat) {
    if (seat < 0 || static_cast<std::size_t>(seat) >= seats_.size()) {
        return false;
    }
    auto& misses = seats_[static_cast<std::size_t>(seat)].playerMisses;
    misses = FormatDouble(ValueOf(misses) + 1);
    return CheckRoundEnd();
}

bool ServerGame::CheckRoundEnd() {
    const double limit = ValueOf(limit_);
    if (gameType_ == GameType::Points) {
        const bool reached = std::any_of(seats_.begin(), seats_.end(), [limit](const SeatRow& row) {
            return ValueOf(row.playerMisses) == limit;
        });
        if (reached) {
            // The round's result replaces the wins of earlier rounds.
            for (auto& row : seats_) {
                row.playerWins = FormatDouble(limit - ValueOf(row.playerMisses));
            }
            return EndRound();
        }
    }
    if (gameType_ == GameType::Survivor) {
        const auto over = std::count_if(seats_.begin(), seats_.end(), [limit](const SeatRow& row) {
            return ValueOf(row.playerMisses) > limit;
        });
        // The round ends when all but two seats are over the limit: with two seats, before
        // either of them is.
        if (over == static_cast<std::ptrdiff_t>(seats_.size()) - 2) {
            for (auto& row : seats_) {
                if (ValueOf(row.playerMisses) <= limit) {
                    row.playerWins = FormatDouble(ValueOf(row.playerWins) + 1);
                }
            }
            return EndRound();
        }
    }
    // Free 4 All has no end of round: misses only add up.
    return true;
}

bool ServerGame::EndRound() {
    events_->RoundEnded(seats_);
    for (auto& row : seats_) {
        row.playerMisses = "0";
    }
    return SendGameSettings();
}

}  // namespace quorvex::server

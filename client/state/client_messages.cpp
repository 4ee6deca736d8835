// What each server message does to the client's state. Every handler decodes its whole message
// first (all fields or nothing) and checks every number before it changes anything, so a short
// or odd message leaves the state exactly as it was.

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>

#include "client/state/client_state.h"
#include "client/state/client_texts.h"
#include "protocol/numeric.h"

namespace quorvex::client {
namespace {

// A coordinate: the whole text one finite number that a single-precision value can hold.
std::optional<float> Coordinate(std::string_view text) {
    const auto value = StrictNumber(text);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}

std::optional<std::string_view> GameTypeCaption(std::uint8_t gameType) {
    switch (gameType) {
        case msg::kGamePoints:
            return kPointsMode;
        case msg::kGameSurvivor:
            return kSurvivorMode;
        case msg::kGameFreeForAll:
            return kFreeForAll;
        default:
            return std::nullopt;
    }
}

// Roster names by identifier, the first entry winning as a walk of the roster would. One index
// per seat list: a scan per seat would make a server's largest lists (32768 entries and as many
// seats) cost a billion comparisons and freeze the window.
class RosterNames {
  public:
    explicit RosterNames(const std::vector<msg::RosterEntry>& roster) {
        byId_.reserve(roster.size());
        for (const auto& entry : roster) {
            byId_.try_emplace(entry.id, &entry.name);
        }
    }

    // The name of the entry whose identifier equals the numeric value of `idText`; empty when
    // there is none.
    std::string For(std::string_view idText) const {
        const auto value = NumericValue(idText);
        const auto id = value && *value == std::floor(*value) ? ToInt32(*value) : std::nullopt;
        if (!id) {
            return {};
        }
        const auto found = byId_.find(*id);
        return found == byId_.end() ? std::string() : *found->second;
    }

  private:
    std::unordered_map<std::int32_t, const std::string*> byId_;
};

}  // namespace

void ClientState::HandleMessage(ByteView bytes) {
    const auto type = msg::PeekType(bytes);
    if (!type) {
        return;
    }
    switch (static_cast<msg::Type>(*type)) {
        case msg::Type::Chat:
            HandleChat(bytes);
            break;
        case msg::Type::Roster:
            HandleRoster(bytes);
            break;
        case msg::Type::PlayerLeft:
            HandlePlayerLeft(bytes);
            break;
        case msg::Type::Scoreboard:
            HandleScoreboard(bytes);
            break;
        case msg::Type::BallUpdate:
            HandleBallUpdate(bytes);
            break;
        case msg::Type::PaddleUpdate:
            HandlePaddleUpdate(bytes);
            break;
        case msg::Type::GameSettings:
            HandleGameSettings(bytes);
            break;
        case msg::Type::Ready:
            HandleReady(bytes);
            break;
        default:  // 6 and 9 only ever go to the server; anything else is no message of ours
            break;
    }
}

void ClientState::HandleChat(ByteView bytes) {
    if (const auto m = msg::Decode<msg::Chat>(bytes)) {
        AddChatLine(m->line);
        const std::string ours = myName_ + std::string(kChatSeparator);
        if (m->line.compare(0, ours.size(), ours) != 0) {
            Note(HappeningKind::kOthersChat);
        }
    }
}

void ClientState::HandleRoster(ByteView bytes) {
    auto m = msg::Decode<msg::Roster>(bytes);
    // A negative last index lists nobody, not even ourselves: no roster to take.
    if (!m || m->entries.empty()) {
        return;
    }
    roster_ = std::move(m->entries);
    // The first Roster greets us as its newest, last entry; the identifier never changes after.
    if (myId_ == 0) {
        myId_ = roster_.back().id;
    }
    Mark(kRosterChanged);
}

void ClientState::HandlePlayerLeft(ByteView bytes) {
    if (const auto m = msg::Decode<msg::PlayerLeft>(bytes)) {
        ForgetPlayer(m->id);
    }
}

void ClientState::ForgetPlayer(std::int32_t id) {
    const auto matches = [id](const msg::RosterEntry& entry) { return entry.id == id; };
    if (std::none_of(roster_.begin(), roster_.end(), matches)) {
        return;
    }
    std::vector<msg::RosterEntry> kept;
    kept.reserve(roster_.size());
    for (auto& entry : roster_) {
        if (matches(entry)) {
            AddChatLine(entry.name + std::string(kHasLeftSuffix));
        } else {
            kept.push_back(std::move(entry));
        }
    }
    roster_ = std::move(kept);
    Mark(kRosterChanged);
}

void ClientState::HandleScoreboard(ByteView bytes) {
    const auto m = msg::Decode<msg::Scoreboard>(bytes);
    if (!m) {
        return;
    }
    const RosterNames names(roster_);
    SeatTable seats;
    seats.reserve(m->seats.size());
    for (const auto& row : m->seats) {
        seats.push_back({row.id, names.For(row.id), row.wins, row.misses});
    }
    const SeatTable before = std::exchange(seats_, std::move(seats));
    // What changed while the link was away happened out of earshot.
    const bool caughtUp = !std::exchange(catchingUp_, false);
    Mark(kSeatsChanged);
    RebuildArena();
    if (caughtUp) {
        NoteMisses(before);
    }
}

void ClientState::HandleBallUpdate(ByteView bytes) {
    auto m = msg::Decode<msg::BallUpdate>(bytes);
    if (!m) {
        return;
    }
    const auto left = Coordinate(m->left);
    const auto top = Coordinate(m->top);
    if (!left || !top) {
        return;
    }
    ball_.left = *left;
    ball_.top = *top;
    ball_.direction = m->angle;
    reportedBall_ = ball_;
    Mark(kBallChanged);
    if (exiting_ || catchingUp_) {
        return;
    }
    const ball::Bounds bounds{outerWidth_, kSeparatorY};
    const auto events = ball::BallSatus(ball_, arena_, PlayerID(), bounds);
    NoteBall(events, m->angle);
    for (const auto& event : events) {
        if (!Deliver(msg::Encode(msg::BallEvent{event.kind, event.value}))) {
            return;
        }
    }
}

void ClientState::HandlePaddleUpdate(ByteView bytes) {
    const auto m = msg::Decode<msg::PaddleUpdate>(bytes);
    if (!m) {
        return;
    }
    const auto seatValue = NumericValue(m->seat);
    if (!seatValue) {
        return;
    }
    // The own paddle follows the own pointer only, also when the seat text merely rounds to it.
    const int ownSeat = PlayerID();
    const auto seat = ToInt32(*seatValue);
    if (*seatValue == static_cast<double>(ownSeat) || !seat || *seat == ownSeat || *seat < 0 ||
        static_cast<std::size_t>(*seat) >= arena_.players.size()) {
        return;
    }
    const auto x1 = Coordinate(m->x1);
    const auto y1 = Coordinate(m->y1);
    const auto x2 = Coordinate(m->x2);
    const auto y2 = Coordinate(m->y2);
    if (!x1 || !y1 || !x2 || !y2) {
        return;
    }
    auto& paddle = arena_.players[static_cast<std::size_t>(*seat)];
    paddle.x1 = *x1;
    paddle.y1 = *y1;
    paddle.x2 = *x2;
    paddle.y2 = *y2;
    Mark(kArenaChanged);
}

void ClientState::HandleGameSettings(ByteView bytes) {
    const auto m = msg::Decode<msg::GameSettings>(bytes);
    if (!m) {
        return;
    }
    lobby_.lblLimit = m->limit;
    if (const auto caption = GameTypeCaption(m->gameType)) {
        lobby_.lblGameType = std::string(*caption);
    }
    if (!lobby_.frameVisible) {
        Note(HappeningKind::kLobbyOpened);
        turnExplained_ = true;
    }
    const bool seated = PlayerID() >= 0;
    lobby_.cmdRdyEnabled = seated;
    lobby_.cmdJoinEnabled = !seated;
    lobby_.cmdSpectateEnabled = seated;
    lobby_.lblNOP = FormatInteger(static_cast<std::int64_t>(seats_.size()));
    lobby_.frameEnabled = true;
    lobby_.frameVisible = true;
    Mark(kLobbyChanged);
}

void ClientState::HandleReady(ByteView bytes) {
    const auto m = msg::Decode<msg::ReadyTally>(bytes);
    if (!m) {
        return;
    }
    const auto ready = NumericValue(m->count);
    if (!ready) {
        return;
    }
    lobby_.lblPRdy = m->count;
    lobby_.lblNOP = FormatInteger(static_cast<std::int64_t>(seats_.size()));
    // Every seat has declared ready: the round starts and the lobby gets out of the way.
    if (static_cast<double>(seats_.size()) <= *ready) {
        if (lobby_.frameVisible) {
            Note(HappeningKind::kEveryoneReady);
            roundStarting_ = true;
            turnExplained_ = true;
        }
        lobby_.frameVisible = false;
    }
    Mark(kLobbyChanged);
}

}  // namespace quorvex::client

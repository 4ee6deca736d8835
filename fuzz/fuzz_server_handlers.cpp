// The server's message handlers fed arbitrary bytes behind each handled type Byte, mixed with
// timer ticks and operator actions, on a game with a few players. After every step the game's
// state must still hang together, and everything it sent must be a well-formed message that
// agrees with that state.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_records.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/server_game.h"

using namespace quorvex;
using namespace quorvex::server;
using quorvex::fuzz::Require;

namespace {

constexpr std::uint8_t kHandledTypes[] = {1, 3, 6, 7, 9, 10};
constexpr std::int32_t kHostId = 101;
constexpr std::int32_t kFirstPlayerId = 102;

bool SameSeats(const msg::Scoreboard& board, const ServerGame& game) {
    const auto& seats = game.Seats();
    if (board.seats.size() != seats.size()) {
        return false;
    }
    for (std::size_t i = 0; i < seats.size(); ++i) {
        const auto& sent = board.seats[i];
        if (sent.id != seats[i].playerIndex || sent.wins != seats[i].playerWins ||
            sent.misses != seats[i].playerMisses) {
            return false;
        }
    }
    return true;
}

// Checks each message as the game sends it, against the game's state at that moment.
class CheckingOutbox : public Outbox {
  public:
    bool Send(const Buffer& message) override {
        Require(!message.empty());
        switch (static_cast<msg::Type>(message[0])) {
            case msg::Type::Chat:
                Require(msg::Decode<msg::Chat>(message).has_value());
                break;
            case msg::Type::Roster: {
                const auto roster = msg::Decode<msg::Roster>(message);
                Require(roster && roster->entries == game->Roster());
                break;
            }
            case msg::Type::PlayerLeft:
                Require(msg::Decode<msg::PlayerLeft>(message).has_value());
                break;
            case msg::Type::Scoreboard: {
                const auto board = msg::Decode<msg::Scoreboard>(message);
                Require(board && SameSeats(*board, *game));
                break;
            }
            case msg::Type::BallUpdate: {
                const auto ball = msg::Decode<msg::BallUpdate>(message);
                Require(ball && ball->left == game->BallLeft() && ball->top == game->BallTop() &&
                        ball->angle == game->BallAngle());
                break;
            }
            case msg::Type::PaddleUpdate:
                Require(msg::Decode<msg::PaddleUpdate>(message).has_value());
                break;
            case msg::Type::GameSettings: {
                const auto settings = msg::Decode<msg::GameSettings>(message);
                Require(settings && game->ReadyCount() == 0 &&
                        settings->gameType == static_cast<std::uint8_t>(game->SelectedGameType()) &&
                        settings->limit == game->Limit());
                ++settingsSent;
                break;
            }
            case msg::Type::Ready: {
                const auto count = msg::Decode<msg::ReadyTally>(message);
                Require(count && count->count == FormatInteger(game->ReadyCount()));
                break;
            }
            default:
                fuzz::Broken();  // the server sends nothing else
        }
        return true;
    }

    const ServerGame* game = nullptr;
    std::size_t settingsSent = 0;
};

void CheckState(const ServerGame& game, int readyBefore, std::size_t settingsSent) {
    std::vector<std::int32_t> ids;
    for (const auto& entry : game.Roster()) {
        ids.push_back(entry.id);
    }
    std::sort(ids.begin(), ids.end());
    // The session never hands out an id twice.
    Require(std::adjacent_find(ids.begin(), ids.end()) == ids.end());
    for (const auto& row : game.Seats()) {
        // A seat is only ever given to a player on the roster, and leaves with him.
        const auto id = NumericValue(row.playerIndex);
        Require(id && std::binary_search(ids.begin(), ids.end(), static_cast<std::int32_t>(*id)) &&
                FormatInteger(static_cast<std::int32_t>(*id)) == row.playerIndex);
        Require(NumericValue(row.playerWins).has_value());
        Require(NumericValue(row.playerMisses).has_value());
    }
    // One step moves the ready count by one at most, unless a settings message reset it.
    const int ready = game.ReadyCount();
    Require(settingsSent > 0 || (ready >= readyBefore - 1 && ready <= readyBefore + 1));
    const auto left = NumericValue(game.BallLeft());
    const auto top = NumericValue(game.BallTop());
    Require(left && top && StrictNumber(game.BallLeft()) && StrictNumber(game.BallTop()));
    Require(StrictNumber(game.BallAngle()).has_value());
}

// Operator clicks and timer ticks, chosen by the payload's first byte.
void Act(ServerGame& game, ByteView payload, std::int32_t& nextId) {
    const std::uint8_t what = payload.empty() ? 0 : payload[0];
    const std::uint8_t arg = payload.size() > 1 ? payload[1] : 0;
    switch (what % 8) {
        case 0:
            game.BallStep();
            break;
        case 1:
            game.BallGate();
            break;
        case 2:
            game.PickGameType(static_cast<GameType>(arg % 4));
            break;
        case 3: {
            const auto text = payload.subspan(payload.empty() ? 0 : 1);
            game.SetLimitText(
                std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
            break;
        }
        case 4:
            game.Kick(arg == 255 ? std::nullopt : std::optional<int>(arg % 16));
            break;
        case 5:
            if (nextId < kFirstPlayerId + 64) {
                game.OnCreatePlayer(nextId++, "p" + std::to_string(arg));
            }
            break;
        case 6:
            game.ResetBall();
            break;
        default:
            game.StartUpBallDirection();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingOutbox outbox;
    std::uint64_t draws = 0;
    ServerGame game(outbox, [&draws] { return static_cast<double>(draws++ % 1000) / 1000.0; });
    outbox.game = &game;
    game.OnCreatePlayer(kHostId, "");
    std::int32_t nextId = kFirstPlayerId;
    for (const char* name : {"Ann", "Bob", "Cid"}) {
        game.OnCreatePlayer(nextId++, name);
    }
    fuzz::RecordReader reader(data, size);
    while (const auto record = reader.Next()) {
        const int readyBefore = game.ReadyCount();
        outbox.settingsSent = 0;
        const std::uint8_t choice = record->selector % 8;
        if (choice < 6) {
            const Buffer message = fuzz::MessageOf(kHandledTypes[choice], record->payload);
            // Through the sender check, as the host hands messages over, for any sender.
            std::optional<std::string> notice;
            game.OnReceiveFrom(static_cast<std::int32_t>(kFirstPlayerId + record->selector % 5),
                               message, 0, notice);
        } else if (choice == 6) {
            Act(game, record->payload, nextId);
        } else {
            game.OnReceive(record->payload);  // any type Byte at all, or none
        }
        CheckState(game, readyBefore, outbox.settingsSent);
    }
    return 0;
}

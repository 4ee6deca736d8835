#include "server/watch/snapshot.h"

#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/watch/json_text.h"

namespace quorvex::server::watch {
namespace {

std::string LineJson(double x1, double y1, double x2, double y2) {
    return "[" + JsonNumber(x1) + "," + JsonNumber(y1) + "," + JsonNumber(x2) + "," +
           JsonNumber(y2) + "]";
}

std::string LinesJson(const std::vector<arena::Line>& lines, std::size_t count) {
    std::string out = "[";
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) {
        const auto& line = lines[i];
        out += (i == 0 ? "" : ",") + LineJson(line.x1, line.y1, line.x2, line.y2);
    }
    return out + "]";
}

double Number(const std::string& text) {
    return NumericValue(text).value_or(0);
}

}  // namespace

std::string GameTypeTitle(GameType type) {
    switch (type) {
        case GameType::Points:
            return "Points";
        case GameType::Survivor:
            return "Survivor";
        case GameType::FreeForAll:
            break;
    }
    return "Free 4 All";
}

void SnapshotBuilder::Sent(ByteView message) {
    const auto type = msg::PeekType(message);
    if (type == static_cast<std::uint8_t>(msg::Type::PaddleUpdate)) {
        const auto paddle = msg::Decode<msg::PaddleUpdate>(message);
        const auto seat = paddle ? StrictNumber(paddle->seat) : std::nullopt;
        // A seat the table does not have yet is kept for when it does, up to its 16-bit bound.
        if (!seat || *seat < 0 || *seat > 32766 || *seat != static_cast<int>(*seat)) {
            return;
        }
        const auto index = static_cast<std::size_t>(*seat);
        if (paddles_.size() <= index) {
            paddles_.resize(index + 1);
        }
        paddles_[index] =
            Paddle{Number(paddle->x1), Number(paddle->y1), Number(paddle->x2), Number(paddle->y2)};
    } else if (type == static_cast<std::uint8_t>(msg::Type::Chat) && chatShown_) {
        if (const auto chat = msg::Decode<msg::Chat>(message)) {
            chat_.push_back(chat->line);
            if (chat_.size() > kChatLinesKept) {
                chat_.pop_front();
            }
        }
    }
}

void SnapshotBuilder::Rebuild(int seats) {
    builtFor_ = seats;
    arena::SetUpArena(arena_, seats);
    paddles_.resize(static_cast<std::size_t>(seats));
}

std::string SnapshotBuilder::Frame(const ServerGame& game, std::int64_t rounds) {
    const auto& seats = game.Seats();
    const int seatCount = static_cast<int>(seats.size());
    if (seatCount != builtFor_) {
        Rebuild(seatCount);
    }
    const auto sides = static_cast<std::size_t>(std::max(seatCount, 3));
    std::string out =
        "{\"kind\":\"frame\",\"game\":" + JsonString(GameTypeTitle(game.SelectedGameType())) +
        ",\"limit\":" + JsonString(game.Limit()) +
        ",\"ready\":" + std::to_string(game.ReadyCount()) +
        ",\"rounds\":" + std::to_string(rounds) +
        ",\"players\":" + std::to_string(game.Roster().size());
    out += ",\"sides\":" + LinesJson(arena_.barriers, sides);
    out += ",\"dividers\":" + LinesJson(arena_.segments, sides);
    out += ",\"paddles\":[";
    for (std::size_t i = 0; i < seats.size(); ++i) {
        const auto& paddle = i < paddles_.size() ? paddles_[i] : std::nullopt;
        out += i == 0 ? "" : ",";
        out += paddle ? LineJson(paddle->x1, paddle->y1, paddle->x2, paddle->y2) : "null";
    }
    out += "],\"ball\":{\"left\":" + JsonNumber(Number(game.BallLeft())) +
           ",\"top\":" + JsonNumber(Number(game.BallTop())) + ",\"size\":" + JsonNumber(kBallSize) +
           ",\"running\":" + (game.BallTimerRunning() ? "true" : "false") + "}";
    out += ",\"seats\":[";
    for (std::size_t i = 0; i < seats.size(); ++i) {
        const auto& seat = seats[i];
        out += (i == 0 ? "{" : ",{") + std::string("\"name\":") + JsonString(seat.playerName) +
               ",\"wins\":" + JsonString(seat.playerWins) +
               ",\"misses\":" + JsonString(seat.playerMisses) + ",\"lost\":" +
               (game.IsDropped(static_cast<std::int32_t>(Number(seat.playerIndex))) ? "true"
                                                                                    : "false") +
               "}";
    }
    out += "]";
    if (chatShown_) {
        out += ",\"chat\":[";
        for (std::size_t i = 0; i < chat_.size(); ++i) {
            out += (i == 0 ? "" : ",") + JsonString(chat_[i]);
        }
        out += "]";
    }
    return out + "}";
}

}  // namespace quorvex::server::watch

#include "server/dedicated/event_log.h"

#include <QDateTime>

#include <chrono>
#include <optional>

#include "protocol/numeric.h"
#include "server/command_line.h"

namespace quorvex::server {
namespace {

constexpr int kSummaryIntervalMs = 500;
constexpr std::string_view kNoticeCause = "notice: ";
constexpr std::string_view kIgnoredCause = "ignored: ";

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct IgnoredText {
    const char* cause;   // also the plural the summary counts
    const char* before;  // the line: before and after the player
    const char* after;
};

IgnoredText TextOf(IgnoredRequest what) {
    switch (what) {
        case IgnoredRequest::SeatOverPlayerMaximum:
            return {"requests for a further seat", "a further seat for ",
                    ": the seats already number the session's player maximum"};
        case IgnoredRequest::SeatTableFull:
            return {"seat requests the Scoreboard has no room for", "a seat for ",
                    ": the Scoreboard has no room for another"};
        case IgnoredRequest::ReadyAgain:
            return {"repeated Ready messages", "a second Ready in this lobby from ", ""};
        case IgnoredRequest::ReadyNotGiven:
            return {"withdrawals of a ready not given", "the withdrawal of a ready ",
                    " had not given (its seat is given up)"};
        case IgnoredRequest::ReadyFromNonPlayer:
            return {"Ready messages from connections not on the roster", "a Ready from ",
                    ", not on the roster"};
    }
    return {"requests", "a request from ", ""};
}

// "seats: 41 more lines not logged", "ignored: 340 more requests for a further seat".
std::string SummaryText(std::string_view cause, std::int64_t count) {
    const std::string more = std::to_string(count) + " more ";
    if (cause.starts_with(kIgnoredCause)) {
        return std::string(kIgnoredCause) + more + std::string(cause.substr(kIgnoredCause.size()));
    }
    if (cause.starts_with(kNoticeCause)) {
        cause.remove_prefix(kNoticeCause.size());
        return std::string(cause) + " ...: " + more + "lines like this not logged";
    }
    return std::string(cause) + ": " + more + "lines not logged";
}

std::string JsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;  // the text is already free of control characters (LogSafe)
    }
    return quoted + "\"";
}

// "joined: 3 \"Ann\"": the player a line is about follows its kind.
std::optional<std::int64_t> PlayerOf(std::string_view text, std::string_view event) {
    if (!text.starts_with(event) || !text.substr(event.size()).starts_with(": ")) {
        return std::nullopt;
    }
    text.remove_prefix(event.size() + 2);
    const auto digits = text.find_first_not_of("-0123456789");
    if (digits == 0 || digits == std::string_view::npos ||
        !text.substr(digits).starts_with(" \"")) {
        return std::nullopt;
    }
    return std::stoll(std::string(text.substr(0, digits)));
}

}  // namespace

EventLog::EventLog(const ServerGame& game, std::FILE* out, Clock clock)
    : game_(game), out_(out), clock_(clock ? std::move(clock) : Clock(SteadyMs)) {
    summaries_.setSingleShot(true);
    summaries_.setInterval(kSummaryIntervalMs);
    QObject::connect(&summaries_, &QTimer::timeout, [this] { WriteSummaries(); });
}

void EventLog::Line(std::string_view text, std::string_view event) {
    const std::string safe = LogSafe(text);
    if (copy_) {
        copy_(safe);
    }
    if (json_) {
        const QByteArray stamp = QDateTime::currentDateTimeUtc()
                                     .toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ"))
                                     .toUtf8();
        const auto player = PlayerOf(safe, event);
        std::fprintf(out_, "{\"time\":\"%s\",\"event\":%s,%s\"text\":%s}\n", stamp.constData(),
                     JsonString(event).c_str(),
                     player ? ("\"player\":" + std::to_string(*player) + ",").c_str() : "",
                     JsonString(safe).c_str());
        std::fflush(out_);
        return;
    }
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(out_, "%s %s\n", stamp.constData(), safe.c_str());
    std::fflush(out_);
}

void EventLog::Notice(std::string_view text) {
    Write(std::string(kNoticeCause) + LineCause(text), text);
}

void EventLog::WriteSummaries() {
    for (const auto& summary : throttle_.DueSummaries(clock_())) {
        Line(SummaryText(summary.cause, summary.count));
    }
    if (throttle_.Holding() && !summaries_.isActive()) {
        summaries_.start();
    }
}

void EventLog::Write(const std::string& cause, std::string_view text) {
    WriteSummaries();
    if (throttle_.Admit(cause, clock_())) {
        Line(text, cause);
    } else if (!summaries_.isActive()) {
        summaries_.start();
    }
}

std::string EventLog::Player(std::int32_t id) const {
    const RosterEntry* entry = game_.FindPlayer(id);
    return entry != nullptr ? LogPlayer(FormatInteger(id), entry->name) : FormatInteger(id);
}

void EventLog::PlayerJoined(const RosterEntry& player) {
    Write("joined", "joined: " + LogPlayer(FormatInteger(player.id), player.name));
}

void EventLog::PlayerRemoved(const RosterEntry& player, RemoveCause cause) {
    const char* how = cause == RemoveCause::Kicked    ? "kicked"
                      : cause == RemoveCause::Dropped ? "removed after its connection was lost"
                                                      : "left";
    Write(how, how + (": " + LogPlayer(FormatInteger(player.id), player.name)));
}

void EventLog::PlayerDropped(const RosterEntry& player) {
    Write("connection lost",
          "connection lost: " + LogPlayer(FormatInteger(player.id), player.name) +
              " (listed as lost)");
}

void EventLog::ConnectionClosed(std::int32_t id) {
    Write("connection closed",
          "connection closed: " + FormatInteger(id) + " (no longer on the roster)");
}

void EventLog::SeatsChanged() {
    const auto& seats = game_.Seats();
    if (seats.empty()) {
        Write("seats", "seats: none");
        return;
    }
    std::vector<std::string> items;
    items.reserve(seats.size());
    for (std::size_t i = 0; i < seats.size(); ++i) {
        items.push_back(std::to_string(i) + " " +
                        LogPlayer(seats[i].playerIndex, seats[i].playerName));
    }
    Write("seats", ListWithinLine("seats: ", items, ", "));
}

void EventLog::SettingsChanged() {
    Write("settings",
          "settings: game " + GameTypeName(game_.SelectedGameType()) + ", limit " + game_.Limit());
}

void EventLog::RoundEnded(const std::vector<SeatRow>& result) {
    std::vector<std::string> items;
    items.reserve(result.size());
    for (std::size_t i = 0; i < result.size(); ++i) {
        items.push_back("seat " + std::to_string(i) + " " +
                        LogPlayer(result[i].playerIndex, result[i].playerName) + " wins " +
                        result[i].playerWins + " misses " + result[i].playerMisses);
    }
    Write("round ended", ListWithinLine("round ended: ", items, "; "));
}

void EventLog::RequestIgnored(std::int32_t player, IgnoredRequest what) {
    const IgnoredText text = TextOf(what);
    Write(std::string(kIgnoredCause) + text.cause,
          std::string(kIgnoredCause) + text.before + Player(player) + text.after);
}

}  // namespace quorvex::server

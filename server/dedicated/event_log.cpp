#include "server/dedicated/event_log.h"

#include <QDateTime>

#include "protocol/numeric.h"
#include "server/command_line.h"

namespace quorvex::server {

std::string LogQuoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string LogPlayer(const std::string& id, std::string_view name) {
    return id + " " + LogQuoted(name);
}

void EventLog::Line(std::string_view text) {
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(out_, "%s %.*s\n", stamp.constData(), static_cast<int>(text.size()), text.data());
    std::fflush(out_);
}

void EventLog::PlayerJoined(const RosterEntry& player) {
    Line("joined: " + LogPlayer(FormatInteger(player.id), player.name));
}

void EventLog::PlayerRemoved(const RosterEntry& player, RemoveCause cause) {
    const char* how = cause == RemoveCause::Kicked    ? "kicked: "
                      : cause == RemoveCause::Dropped ? "removed after its connection was lost: "
                                                      : "left: ";
    Line(how + LogPlayer(FormatInteger(player.id), player.name));
}

void EventLog::PlayerDropped(const RosterEntry& player) {
    Line("connection lost: " + LogPlayer(FormatInteger(player.id), player.name) +
         " (listed as lost)");
}

void EventLog::ConnectionClosed(std::int32_t id) {
    Line("connection closed: " + FormatInteger(id) + " (no longer on the roster)");
}

void EventLog::SeatsChanged() {
    std::string text = "seats:";
    const auto& seats = game_.Seats();
    for (std::size_t i = 0; i < seats.size(); ++i) {
        text += (i == 0 ? " " : ", ") + std::to_string(i) + " " +
                LogPlayer(seats[i].playerIndex, seats[i].playerName);
    }
    Line(seats.empty() ? "seats: none" : text);
}

void EventLog::SettingsChanged() {
    Line("settings: game " + GameTypeName(game_.SelectedGameType()) + ", limit " + game_.Limit());
}

void EventLog::RoundEnded(const std::vector<SeatRow>& result) {
    std::string text = "round ended:";
    for (std::size_t i = 0; i < result.size(); ++i) {
        text += (i == 0 ? " " : "; ") + std::string("seat ") + std::to_string(i) + " " +
                LogPlayer(result[i].playerIndex, result[i].playerName) + " wins " +
                result[i].playerWins + " misses " + result[i].playerMisses;
    }
    Line(text);
}

}  // namespace quorvex::server

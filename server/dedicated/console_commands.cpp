#include "server/dedicated/console_commands.h"

#include <QDateTime>

#include <charconv>
#include <sstream>

#include "protocol/bot_skill.h"
#include "protocol/numeric.h"
#include "server/command_line.h"
#include "server/dedicated/event_log.h"
#include "server/game/limit_text.h"

namespace quorvex::server {
namespace {

constexpr char kCommands[] =
    "commands: list, kick ID, ban ID [MINUTES], unban ID|ADDRESS|NAME, bans, "
    "game points|survivor|free4all [LIMIT], limit L, bot [SKILL], quit";

constexpr std::int64_t kDefaultBanMinutes = 10;
// A week: long enough for any evening, short enough that the end time stays a plain number.
constexpr std::int64_t kLongestBanMinutes = 7 * 24 * 60;

std::vector<std::string> Words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

CommandReply Error(const std::string& text) {
    return {{"error: " + text}, false};
}

std::vector<std::string> List(const ServerGame& game, const std::string& uptime) {
    const auto& seats = game.Seats();
    std::vector<std::string> lines;
    lines.push_back(uptime + "; game " + GameTypeName(game.SelectedGameType()) + ", limit " +
                    game.Limit() + "; ready " + FormatInteger(game.ReadyCount()) + " of " +
                    std::to_string(seats.size()) + " seats; ball " +
                    (game.BallTimerRunning() ? "running" : "waiting"));
    lines.push_back("players: " + std::to_string(game.Roster().size()));
    for (const auto& player : game.Roster()) {
        const std::string id = FormatInteger(player.id);
        std::string line = "player " + LogPlayer(id, player.name);
        if (game.IsDropped(player.id)) {
            line += " (lost)";
        }
        bool seated = false;
        for (std::size_t i = 0; i < seats.size(); ++i) {
            if (seats[i].playerIndex == id) {
                line += "; seat " + std::to_string(i) + " wins " + seats[i].playerWins +
                        " misses " + seats[i].playerMisses;
                seated = true;
            }
        }
        lines.push_back(seated ? line : line + "; not seated");
    }
    return lines;
}

template <typename Number>
std::optional<Number> WholeNumber(const std::string& text) {
    Number value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

CommandReply Kick(ServerGame& game, const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return Error("kick takes one player identifier, as list shows it");
    }
    const std::string& text = words[1];
    const auto id = WholeNumber<std::int32_t>(text);
    if (!id) {
        return Error("kick takes a player identifier, not " + LogQuoted(text));
    }
    if (game.FindPlayer(*id) == nullptr) {
        return Error("no player " + text + " on the roster (see list)");
    }
    game.RemovePlayer(*id, RemoveCause::Kicked);
    return {};
}

CommandReply Ban(GameHost& host, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3) {
        return Error("ban takes a player identifier, as list shows it, and maybe minutes");
    }
    const auto id = WholeNumber<std::int32_t>(words[1]);
    if (!id) {
        return Error("ban takes a player identifier, not " + LogQuoted(words[1]));
    }
    const auto minutes = words.size() == 3 ? WholeNumber<std::int64_t>(words[2])
                                           : std::optional<std::int64_t>(kDefaultBanMinutes);
    if (!minutes || *minutes < 1 || *minutes > kLongestBanMinutes) {
        return Error("a ban lasts from 1 to " + std::to_string(kLongestBanMinutes) + " minutes");
    }
    const auto ban = host.Ban(*id, *minutes);
    if (!ban) {
        return Error("no player " + words[1] + " on the roster (see list)");
    }
    return {{"ban " + std::to_string(*ban) + ": player " + words[1] + " for " +
             std::to_string(*minutes) + " min"},
            false,
            std::nullopt,
            true};
}

CommandReply Unban(GameHost& host, const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return Error("unban takes a ban number, an address or a player name, as bans shows them");
    }
    const int lifted = host.Unban(words[1]);
    if (lifted == 0) {
        return Error("no ban matches " + LogQuoted(words[1]) + " (see bans)");
    }
    return {{"lifted " + std::to_string(lifted) + (lifted == 1 ? " ban" : " bans")},
            false,
            std::nullopt,
            true};
}

std::vector<std::string> ListBans(GameHost& host) {
    const auto bans = host.Bans();
    std::vector<std::string> lines{"bans: " + std::to_string(bans.size())};
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    for (const auto& ban : bans) {
        const std::int64_t minutesLeft = (ban.untilMs - now + 59'999) / 60'000;
        lines.push_back("ban " + std::to_string(ban.id) + ": " +
                        (ban.address ? session::ToString(*ban.address) : "any address") + ", " +
                        (ban.name.empty() ? "any name" : LogQuoted(ban.name)) + ", " +
                        std::to_string(minutesLeft) + " min left");
    }
    return lines;
}

CommandReply PickGame(ServerGame& game, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3) {
        return Error("game takes a type (points, survivor or free4all) and maybe a limit");
    }
    const auto type = GameTypeFromName(words[1]);
    if (!type) {
        return Error("no game type " + LogQuoted(words[1]) +
                     "; the types are points, survivor and free4all");
    }
    if (words.size() == 3) {
        if (!ValidLimitText(words[2])) {
            return Error(std::string(kLimitWarning));
        }
        game.SetLimitText(words[2]);
    }
    game.PickGameType(*type);
    return {};
}

CommandReply SetLimit(ServerGame& game, const std::vector<std::string>& words) {
    if (words.size() != 2 || !ValidLimitText(words[1])) {
        return Error(std::string(kLimitWarning));
    }
    game.SetLimitText(words[1]);
    return {};
}

CommandReply StartBot(const std::vector<std::string>& words) {
    CommandReply reply;
    reply.startBot = 0;  // the server's own choice
    for (int skill = kLowestBotSkill; words.size() == 2 && skill <= kHighestBotSkill; ++skill) {
        if (words[1] == std::to_string(skill)) {
            reply.startBot = skill;
        }
    }
    if (words.size() > 2 || (words.size() == 2 && reply.startBot == 0)) {
        return Error("bot takes nothing or a skill from " + BotSkillRange());
    }
    return reply;
}

}  // namespace

CommandReply RunConsoleCommand(ServerGame& game, std::string_view line, const std::string& uptime,
                               GameHost* host) {
    const auto words = Words(line);
    if (words.empty()) {
        return {};
    }
    const std::string& command = words[0];
    if (command == "list" && words.size() == 1) {
        return {List(game, uptime), false};
    }
    if (command == "kick") {
        return Kick(game, words);
    }
    if (command == "ban" || command == "unban" || (command == "bans" && words.size() == 1)) {
        if (host == nullptr) {
            return Error("bans need a hosted session");
        }
        if (command == "ban") {
            return Ban(*host, words);
        }
        return command == "unban" ? Unban(*host, words) : CommandReply{ListBans(*host), false};
    }
    if (command == "game") {
        return PickGame(game, words);
    }
    if (command == "limit") {
        return SetLimit(game, words);
    }
    if (command == "bot") {
        return StartBot(words);
    }
    if (command == "quit" && words.size() == 1) {
        return {{}, true};
    }
    return Error("unknown command " + LogQuoted(line) + "; " + kCommands);
}

}  // namespace quorvex::server

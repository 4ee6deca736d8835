#include "server/dedicated/console_commands.h"

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
    "commands: list, kick ID, game points|survivor|free4all [LIMIT], limit L, bot [SKILL], quit";

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

CommandReply Kick(ServerGame& game, const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return Error("kick takes one player identifier, as list shows it");
    }
    std::int32_t id = 0;
    const std::string& text = words[1];
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (failure != std::errc() || end != text.data() + text.size()) {
        return Error("kick takes a player identifier, not " + LogQuoted(text));
    }
    if (game.FindPlayer(id) == nullptr) {
        return Error("no player " + text + " on the roster (see list)");
    }
    game.RemovePlayer(id, RemoveCause::Kicked);
    return {};
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

CommandReply RunConsoleCommand(ServerGame& game, std::string_view line, const std::string& uptime) {
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

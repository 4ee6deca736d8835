#include "client/bot/bot_options.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <string_view>

namespace quorvex::client::bot {
namespace {

// A whole decimal number in [low, high], nothing else around it.
std::optional<int> WholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool TakesValue(std::string_view option) {
    return option == "--host" || option == "--port" || option == "--name" || option == "--skill";
}

}  // namespace

BotCommandLine ParseBotCommandLine(const std::vector<std::string>& args) {
    // Without --bot the arguments belong to the window's command line, whatever they are.
    if (std::find(args.begin(), args.end(), "--bot") == args.end()) {
        return NotBot{};
    }
    BotOptions options;
    bool bot = false;
    bool help = false;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        if (option == "--bot" || option == "--help" || option == "-h") {
            if (value) {
                return BotError{option + " takes no value"};
            }
            (option == "--bot" ? bot : help) = true;
            continue;
        }
        if (!TakesValue(option)) {
            return BotError{"unknown argument \"" + args[i] + "\""};
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return BotError{option + " needs a value"};
            }
            value = args[++i];
        }
        if (!seen.insert(option).second) {
            return BotError{option + " is given twice"};
        }
        if (option == "--host") {
            if (value->empty()) {
                return BotError{"--host needs a host name or address"};
            }
            options.host = *value;
        } else if (option == "--name") {
            options.name = *value;
        } else if (option == "--port") {
            const auto port = WholeNumber(*value, 1, 65535);
            if (!port) {
                return BotError{"--port must be a number from 1 to 65535, not \"" + *value + "\""};
            }
            options.port = *port;
        } else {
            const auto skill = WholeNumber(*value, kLowestBotSkill, kHighestBotSkill);
            if (!skill) {
                return BotError{"--skill must be " + BotSkillChoices() + ", not \"" + *value +
                                "\""};
            }
            options.skill = *skill;
        }
    }
    if (!bot) {
        return NotBot{};
    }
    if (help) {
        return BotHelp{};
    }
    return options;
}

}  // namespace quorvex::client::bot

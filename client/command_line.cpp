#include "client/command_line.h"

#include <charconv>
#include <map>
#include <string_view>

#include "protocol/utf8.h"

namespace quorvex::client {
namespace {

struct Option {
    std::string_view name;
    std::string_view shortName;  // empty: none
    std::string_view value;      // what the help calls its value; empty: a switch
    std::string_view help;       // lines of at most 56 characters
};

constexpr Option kOptions[] = {
    {"--help", "-h", "", "Show this help and exit."},
    {"--version", "-v", "", "Show the version and exit."},
    {"--host", "", "HOST",
     "The server: a host name, an IPv4 or IPv6 address. The\n"
     "window asks when it is not given; --bot takes 127.0.0.1."},
    {"--port", "", "PORT", "The server's TCP port, 1 to 65535 (default 4000)."},
    {"--name", "", "NAME",
     "The player name, at most 256 bytes. The window asks when\n"
     "it is not given; --bot plays as \"CPU 1\"."},
    {"--password", "", "TEXT",
     "The password, for a server that asks for one. Others on\n"
     "this computer can read it in the process list: prefer\n"
     "--password-stdin."},
    {"--password-stdin", "", "",
     "Read the password from the first line of standard input\n"
     "(a pipe, or a file: < FILE)."},
    {"--bot", "", "", "Play as a computer player: no window, no prompts."},
    {"--skill", "", "1-5",
     "With --bot: how well it plays, 1 (misses often) to 5\n"
     "(rarely); default 3."},
    {"--mute", "", "", "No sound this run (the window; M toggles it)."},
};

constexpr std::size_t kHelpColumn = 22;

std::string HelpText() {
    std::string text =
        "Usage: quorvex-client [options]\n"
        "Quorvex, the paddle-and-ball game for groups of friends: the player's program.\n"
        "Without options it asks for the server and the player name.\n\nOptions:\n";
    for (const Option& option : kOptions) {
        std::string left = "  ";
        if (!option.shortName.empty()) {
            left.append(option.shortName).append(", ");
        }
        left.append(option.name);
        if (!option.value.empty()) {
            left.append(" <").append(option.value).append(">");
        }
        left.resize(std::max(kHelpColumn, left.size() + 1), ' ');
        for (const char c : option.help) {
            left += c;
            if (c == '\n') {
                left.append(kHelpColumn, ' ');
            }
        }
        text += left + "\n";
    }
    return text;
}

CommandLineExit Bad(const std::string& problem) {
    return {kBadArgumentsExitCode,
            "quorvex-client: " + problem + "\nTry 'quorvex-client --help'.\n"};
}

const Option* Find(std::string_view word) {
    for (const Option& option : kOptions) {
        if (word == option.name || (!option.shortName.empty() && word == option.shortName)) {
            return &option;
        }
    }
    return nullptr;
}

// A whole decimal number in [low, high], nothing else around it.
std::optional<int> WholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// The first line of `input` without its LF or CR LF; nothing when the input ends at once.
// Reads no more than one byte past kMaxPasswordBytes, so a longer line is seen as such.
std::optional<std::string> FirstLine(std::istream& input) {
    std::string line;
    char c = 0;
    bool any = false;
    while (line.size() <= kMaxPasswordBytes && input.get(c)) {
        any = true;
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return any ? std::optional(line) : std::nullopt;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

ClientCommandLine ParseClientCommandLine(const std::vector<std::string>& args,
                                         std::istream& input) {
    // Every option once, by its long name; a switch's value is empty.
    std::map<std::string_view, std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() < 2 || word[0] != '-') {
            return Bad("Unexpected argument '" + word + "'.");
        }
        std::string_view name = word;
        std::optional<std::string> value;
        if (const auto equals = word.find('='); word[1] == '-' && equals != std::string::npos) {
            name = name.substr(0, equals);
            value = word.substr(equals + 1);
        }
        const Option* option = Find(name);
        if (option == nullptr) {
            return Bad("Unknown option '" + std::string(name.substr(name[1] == '-' ? 2 : 1)) +
                       "'.");
        }
        if (option->value.empty() && value) {
            return Bad("Unexpected value after '" + std::string(name) + "'.");
        }
        if (!option->value.empty() && !value) {
            if (i + 1 >= args.size()) {
                return Bad("Missing value after '" + word + "'.");
            }
            value = args[++i];
        }
        const std::string what(option->name);
        if (!given.emplace(option->name, value.value_or("")).second) {
            return Bad(what + " is given more than once.");
        }
        if (!IsUtf8(given[option->name])) {
            return Bad(what + " is not UTF-8 text.");
        }
    }
    const auto value = [&given](std::string_view name) -> std::optional<std::string> {
        const auto found = given.find(name);
        return found == given.end() ? std::nullopt : std::optional(found->second);
    };
    if (given.contains("--help")) {
        return CommandLineExit{0, HelpText()};
    }
    if (given.contains("--version")) {
        return CommandLineExit{0, "quorvex-client " QUORVEX_VERSION "\n"};
    }
    const bool bot = given.contains("--bot");
    const auto host = value("--host");
    const auto name = value("--name");
    auto password = value("--password");
    std::int32_t port = session::kDefaultPort;
    int skill = kDefaultBotSkill;
    if (host && host->empty()) {
        return Bad("--host needs a host name or address.");
    }
    if (name && name->size() > session::Limits{}.maxNameBytes) {
        return Bad("--name is longer than " + std::to_string(session::Limits{}.maxNameBytes) +
                   " bytes.");
    }
    if (const auto text = value("--port")) {
        const auto number = WholeNumber(*text, 1, 65535);
        if (!number) {
            return Bad("--port must be a number from 1 to 65535, not " + Quoted(*text) + ".");
        }
        port = *number;
    }
    if (const auto text = value("--skill")) {
        if (!bot) {
            return Bad("--skill is for a computer player: give --bot as well.");
        }
        const auto number = WholeNumber(*text, kLowestBotSkill, kHighestBotSkill);
        if (!number) {
            return Bad("--skill must be 1, 2, 3, 4 or 5, not " + Quoted(*text) + ".");
        }
        skill = *number;
    }
    if (bot && given.contains("--mute")) {
        return Bad("--mute is for the window: a computer player makes no sound.");
    }
    if (password && password->empty()) {
        return Bad("--password needs a password that is not empty.");
    }
    if (given.contains("--password-stdin")) {
        if (password) {
            return Bad("--password and --password-stdin cannot both be given.");
        }
        // Last, so that a mistake elsewhere on the line does not wait for standard input.
        password = FirstLine(input);
        if (!password || password->empty()) {
            return Bad("--password-stdin found no password on standard input.");
        }
        if (password->size() > kMaxPasswordBytes) {
            return Bad("--password-stdin read a line longer than " +
                       std::to_string(kMaxPasswordBytes) + " bytes.");
        }
        if (!IsUtf8(*password)) {
            return Bad("--password-stdin read a line that is not UTF-8 text.");
        }
    }
    if (bot) {
        BotOptions options;
        options.host = host.value_or(options.host);
        options.name = name.value_or(options.name);
        options.port = port;
        options.password = password;
        options.skill = skill;
        return options;
    }
    return WindowOptions{host, name, port, password, given.contains("--mute")};
}

}  // namespace quorvex::client

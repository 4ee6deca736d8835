#pragma once

// quorvex-client [--host HOST] [--name NAME] [--help] [--version]. Each answer given here
// skips its start-up prompt; with no arguments the client asks exactly as it always has.

#include <QStringList>

#include <optional>
#include <string>
#include <variant>

namespace quorvex::client {

inline constexpr int kBadArgumentsExitCode = 2;

struct ClientOptions {
    std::optional<std::string> host;
    std::optional<std::string> name;
};

// The program is to end at once: `text` goes to standard output when `code` is 0 (help,
// version), else to standard error.
struct CommandLineExit {
    int code = 0;
    std::string text;
};

// `arguments` as main() received them, the program's own name first.
std::variant<ClientOptions, CommandLineExit> ParseClientCommandLine(const QStringList& arguments);

}  // namespace quorvex::client

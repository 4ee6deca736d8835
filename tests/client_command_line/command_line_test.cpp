// quorvex-client's one command line: each option and each mistake, for the window and for --bot
// alike, and a help that lists exactly the options the line takes.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "client/command_line.h"

namespace quorvex::client {
namespace {

std::string Field(const char* label, const std::optional<std::string>& value) {
    return value ? label + *value : "";
}

// The outcome in one line: the options taken, or the exit code and the first line said.
std::string Outcome(const ClientCommandLine& line) {
    if (const auto* w = std::get_if<WindowOptions>(&line)) {
        return "window" + Field(" host=", w->host) + Field(" name=", w->name) +
               " port=" + std::to_string(w->port) + Field(" password=", w->password) +
               (w->mute ? " mute" : "");
    }
    if (const auto* b = std::get_if<BotOptions>(&line)) {
        return "bot host=" + b->host + " name=" + b->name + " port=" + std::to_string(b->port) +
               " skill=" + std::to_string(b->skill) + Field(" password=", b->password);
    }
    const auto& end = std::get<CommandLineExit>(line);
    return "exit " + std::to_string(end.code) + ": " + end.text.substr(0, end.text.find('\n'));
}

std::string Parse(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    return Outcome(ParseClientCommandLine(args, in));
}

struct Case {
    std::vector<std::string> args;
    std::string input;  // standard input
    std::string outcome;
};

const std::string kBad = "exit 2: quorvex-client: ";
const std::string kName256(256, 'n');
const std::string kLongest(kMaxPasswordBytes, 'p');
const std::string kBot = "bot host=127.0.0.1 name=CPU 1 port=4000 skill=";
const std::string kPort = kBad + "--port must be a number from 1 to 65535, not \"";
const std::string kSkill = kBad + "--skill must be 1, 2, 3, 4 or 5, not \"";
const std::string kStdin = kBad + "--password-stdin ";

const Case kCases[] = {
    // Without arguments the window asks for everything, as it always has.
    {{}, "", "window port=4000"},
    {{"--host", "::1", "--name", "Zo\xC3\xAB", "--port", "65535"},
     "",
     "window host=::1 name=Zo\xC3\xAB port=65535"},
    {{"--name=", "--port=1"}, "", "window name= port=1"},
    {{"--name", kName256}, "", "window name=" + kName256 + " port=4000"},
    {{"--password", "se same"}, "", "window port=4000 password=se same"},
    {{"--password-stdin"}, "s3cret\r\nmore\n", "window port=4000 password=s3cret"},
    {{"--bot"}, "", kBot + "3"},
    {{"--bot", "--host", "::1", "--port=4001", "--name", "CPU 2", "--skill", "5"},
     "",
     "bot host=::1 name=CPU 2 port=4001 skill=5"},
    {{"--skill=1", "--bot"}, "", kBot + "1"},
    {{"--bot", "--password-stdin"}, "pw", kBot + "3 password=pw"},
    {{"--bot", "--password", "pw"}, "", kBot + "3 password=pw"},
    {{"--password-stdin"}, kLongest + "\n", "window port=4000 password=" + kLongest},
    // Help and version, in either mode.
    {{"--help"}, "", "exit 0: Usage: quorvex-client [options]"},
    {{"--bot", "-h"}, "", "exit 0: Usage: quorvex-client [options]"},
    {{"-v"}, "", "exit 0: quorvex-client " QUORVEX_VERSION},
    {{"--bot", "--version"}, "", "exit 0: quorvex-client " QUORVEX_VERSION},
    // Mistakes, each with its own words, in either mode.
    {{"--bogus"}, "", kBad + "Unknown option 'bogus'."},
    {{"--bot", "--fast"}, "", kBad + "Unknown option 'fast'."},
    {{"-x"}, "", kBad + "Unknown option 'x'."},
    {{"stray"}, "", kBad + "Unexpected argument 'stray'."},
    {{"--bot", "-"}, "", kBad + "Unexpected argument '-'."},
    {{"--host"}, "", kBad + "Missing value after '--host'."},
    {{"--bot", "--name"}, "", kBad + "Missing value after '--name'."},
    {{"--bot=yes"}, "", kBad + "Unexpected value after '--bot'."},
    {{"--host", ""}, "", kBad + "--host needs a host name or address."},
    {{"--bot", "--host="}, "", kBad + "--host needs a host name or address."},
    {{"--host", "a", "--host", "b"}, "", kBad + "--host is given more than once."},
    {{"--bot", "--bot"}, "", kBad + "--bot is given more than once."},
    {{"--bot", "--skill", "1", "--skill=2"}, "", kBad + "--skill is given more than once."},
    {{"--password-stdin", "--password-stdin"}, "", kStdin + "is given more than once."},
    {{"--name", kName256 + "n"}, "", kBad + "--name is longer than 256 bytes."},
    {{"--name", "Zo\xEB"}, "", kBad + "--name is not UTF-8 text."},
    {{"--bot", "--name", "\xC3"}, "", kBad + "--name is not UTF-8 text."},
    {{"--port", "0"}, "", kPort + "0\"."},
    {{"--bot", "--port", "65536"}, "", kPort + "65536\"."},
    {{"--port", " 80"}, "", kPort + " 80\"."},
    {{"--skill", "3"}, "", kBad + "--skill is for a computer player: give --bot as well."},
    {{"--bot", "--skill", "0"}, "", kSkill + "0\"."},
    {{"--bot", "--skill", "6"}, "", kSkill + "6\"."},
    {{"--bot", "--skill", "3x"}, "", kSkill + "3x\"."},
    {{"--password", ""}, "", kBad + "--password needs a password that is not empty."},
    {{"--password", "a", "--password-stdin"},
     "b",
     kBad + "--password and --password-stdin cannot both be given."},
    {{"--password-stdin"}, "", kStdin + "found no password on standard input."},
    {{"--bot", "--password-stdin"}, "\nsecond\n", kStdin + "found no password on standard input."},
    {{"--password-stdin"}, kLongest + "p", kStdin + "read a line longer than 131072 bytes."},
    {{"--password-stdin"}, "\xFF\n", kStdin + "read a line that is not UTF-8 text."},
    {{"--mute"}, "", "window port=4000 mute"},
    {{"--bot", "--mute"}, "", kBad + "--mute is for the window: a computer player makes no sound."},
};

TEST(ClientCommandLine, EachOptionAndEachMistakeInBothModes) {
    for (const Case& c : kCases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg.substr(0, 20) + " ";
        EXPECT_EQ(Parse(c.args, c.input), c.outcome) << line;
    }
}

// Standard input is only read when the rest of the line is sound.
TEST(ClientCommandLine, ReadsStandardInputLastAndOnlyForThePassword) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--password-stdin", "--bogus"}, {"--password-stdin", "--help"}, {"--bot"}}) {
        std::istringstream in("pw\n");
        ParseClientCommandLine(args, in);
        EXPECT_EQ(in.tellg(), 0) << args[0];
    }
}

// Every option is in the help, and everything the help names is an option that works.
TEST(ClientCommandLine, TheHelpListsEveryOption) {
    std::istringstream none;
    const std::string help =
        std::get<CommandLineExit>(ParseClientCommandLine({"--help"}, none)).text;
    for (const char* option :
         {"-h, --help", "-v, --version", "--host <HOST>", "--port <PORT>", "--name <NAME>",
          "--password <TEXT>", "--password-stdin", "--bot", "--skill <1-5>", "--mute"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    const std::regex named(R"((--[a-z-]+)( <[^>]+>)?)");
    int options = 0;
    for (std::sregex_iterator it(help.begin(), help.end(), named), end; it != end;
         ++it, ++options) {
        std::vector<std::string> args{"--bot", (*it)[1]};
        if ((*it)[2].matched)
            args.push_back(args[1] == "--port" ? "4001" : "1");
        if (args[1] == "--bot")
            args.erase(args.begin());
        EXPECT_EQ(Parse(args, "pw\n").find("Unknown option"), std::string::npos) << args[1];
    }
    EXPECT_GE(options, 9);
}

}  // namespace
}  // namespace quorvex::client

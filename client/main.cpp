#include <QApplication>

#include <cstdio>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "client/bot/bot_main.h"
#include "client/command_line.h"
#include "client/link/human_player.h"
#include "client/link/remembered_choices.h"
#include "client/link/server_finder.h"
#include "client/sound/sound_player.h"
#include "client/window/client_window.h"
#include "protocol/session/discovery_targets.h"
#include "ui/qt_prompter.h"

namespace {

using namespace quorvex::client;

int RunWindow(int argc, char** argv, const WindowOptions& given) {
    PreferCopiedFrames();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-client"));
    quorvex::QtPrompter prompter;
    ServerFinder finder(quorvex::session::DiscoveryTargets);
    // Only what a person typed is kept: a scripted run must not change their defaults.
    StartOptions start = RememberingStartOptions();
    start.host = given.host;
    start.name = given.name;
    start.password = given.password;
    start.hostChoices = &finder;
    HumanPlayer player(prompter, given.port);
    player.Link().SetStartOptions(start);
    // Remembered mute and volume; --mute silences this run without being remembered.
    const RememberedSound remembered = LoadRememberedSound();
    sound::SoundPlayer sound(remembered.muted || given.mute, remembered.volume);
    ClientWindow window(player);
    window.SetSound(&sound, [](bool muted, int volume) { RememberSound({muted, volume}); });
    prompter.SetParent(&window);
    window.Start();
    if (player.Link().Ended()) {
        // Start-up failed; the box has been shown and there is nothing to run.
        return 1;
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Read before any application object, so that --help and --version need no display.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto parsed = ParseClientCommandLine(arguments, std::cin);
    if (const auto* end = std::get_if<CommandLineExit>(&parsed)) {
        std::fputs(end->text.c_str(), end->code == 0 ? stdout : stderr);
        return end->code;
    }
    if (const auto* bot = std::get_if<BotOptions>(&parsed)) {
        return bot::RunComputerPlayer(argc, argv, *bot);
    }
    return RunWindow(argc, argv, std::get<WindowOptions>(parsed));
}

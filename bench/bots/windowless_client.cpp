// A person's client without its window, for comparing costs: the client's link and state with
// their 100 ms paddle report, and a mouse that never moves. Usage:
//   bots_windowless_client PORT NAME

#include <QCoreApplication>

#include <cstdio>
#include <string>

#include "client/link/human_player.h"
#include "ui/standard_error_prompter.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT NAME\n", argv[0]);
        return 2;
    }
    quorvex::StandardErrorPrompter prompter;
    quorvex::client::HumanPlayer person(prompter, std::stoi(argv[1]));
    quorvex::client::StartOptions start;
    start.host = "127.0.0.1";
    start.name = argv[2];
    person.Link().SetStartOptions(start);
    if (!person.Link().SessionInit() || !person.Link().ConnectToHost()) {
        return 1;
    }
    return QCoreApplication::exec();
}

#include "client/bot/bot_main.h"

#include <QCoreApplication>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "client/bot/bot_options.h"
#include "client/bot/bot_session.h"
#include "ui/stop_signals.h"

namespace quorvex::client::bot {

std::optional<int> BotMain(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto line = ParseBotCommandLine(args);
    if (std::holds_alternative<NotBot>(line)) {
        return std::nullopt;
    }
    if (std::holds_alternative<BotHelp>(line)) {
        std::fputs(kBotUsage, stdout);
        return 0;
    }
    if (const auto* error = std::get_if<BotError>(&line)) {
        std::fprintf(stderr, "quorvex-client: %s\n%s", error->text.c_str(), kBotUsage);
        return 2;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-client"));
    BotSession bot(std::get<BotOptions>(line), std::random_device{}());
    const StopSignals signal([&bot](int) { bot.Leave(); });
    if (!bot.Start()) {
        return 1;
    }
    return QCoreApplication::exec();
}

}  // namespace quorvex::client::bot

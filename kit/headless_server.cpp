#include "kit/headless_server.h"

#include <QCoreApplication>

#include <cstdio>

#include "kit/line_reader.h"

namespace quorvex::kit {

HeadlessServer::HeadlessServer(server::GameHost& host, int maxPlayers,
                               std::function<void()> beforeStep, std::function<void()> afterStep)
    : host_(host),
      error_(host.Host(maxPlayers, 0)),
      ball_(host.Game(), std::move(beforeStep), std::move(afterStep)) {
    if (!error_) {
        host_.Game().StartUpBallDirection();
        ball_.Start();
    }
}

int HeadlessServer::Serve(const std::function<void(const std::string& line)>& command) {
    if (error_) {
        std::fprintf(stderr, "%s\n", error_->c_str());
        return 1;
    }
    const auto commands = OnStdinLines([&command](const std::string& line) {
        command(line);
        std::fflush(stdout);
        if (line == "quit") {
            QCoreApplication::quit();
        }
    });
    std::printf("PORT %u\n", static_cast<unsigned>(Port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

}  // namespace quorvex::kit

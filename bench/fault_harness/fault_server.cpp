// The server of the fault harness: the session service with its default limits and the
// server's rules with the window's timers. Prints "PORT <n>", then, with "--drops", "DROPPED
// <id> <ms>" for each player whose connection the session gave up (ms since start); "quit"
// ends it. (Without "--drops" nothing more is written: a parent that reads only the port
// never blocks it on a full pipe.)

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>

#include "bench/support/stdin_commands.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"

namespace {

class ReportingHost : public quorvex::server::GameHost {
  public:
    void DestroyPlayer(quorvex::session::PlayerId id) override {
        if (reportDrops) {
            std::printf("DROPPED %d %lld\n", id, static_cast<long long>(clock.elapsed()));
            std::fflush(stdout);
        }
        GameHost::DestroyPlayer(id);
    }
    QElapsedTimer clock;
    bool reportDrops = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ReportingHost session;
    session.clock.start();
    session.reportDrops = argc > 1 && std::string(argv[1]) == "--drops";
    if (const auto error = session.Host(11, 0)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    session.Game().StartUpBallDirection();
    quorvex::server::BallClock ball(session.Game());
    ball.Start();
    const auto commands = quorvex::bench::OnStdinLines([&](const std::string& command) {
        if (command == "quit") {
            app.quit();
        }
    });
    std::printf("PORT %u\n", static_cast<unsigned>(session.Port()));
    std::fflush(stdout);
    return app.exec();
}

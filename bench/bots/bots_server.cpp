// The server for the computer players' process benchmark: the session and the server's rules
// without a window, its ball on the console's timers ("Free 4 All": the ball runs while anyone
// is seated). It writes "PORT <n>" once it hosts; on standard input:
//   seats    answers "SEATS <n>"
//   mark     start of the measured stretch: ball ticks are stamped from here
//   quit     answers "TICK <CLOCK_MONOTONIC ns>" per stamped tick, then "END", and ends

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/figures.h"
#include "bench/support/stdin_commands.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quorvex::server::GameHost session;
    if (const auto error = session.Host(64, 0)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    auto& game = session.Game();
    game.StartUpBallDirection();
    bool marked = false;
    std::vector<std::int64_t> ticks;
    quorvex::server::BallClock ball(game, [&] {
        if (marked) {
            ticks.push_back(quorvex::bench::MonotonicNs());
        }
    });
    ball.Start();
    const auto commands = quorvex::bench::OnStdinLines([&](const std::string& command) {
        if (command == "seats") {
            std::printf("SEATS %zu\n", game.Seats().size());
        } else if (command == "mark") {
            marked = true;
        } else if (command == "quit") {
            for (const auto t : ticks) {
                std::printf("TICK %lld\n", static_cast<long long>(t));
            }
            std::printf("END\n");
            app.quit();
        }
        std::fflush(stdout);
    });
    std::printf("PORT %u\n", static_cast<unsigned>(session.Port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

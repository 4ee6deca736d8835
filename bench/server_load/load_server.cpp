// The server under load: the session service and the server's rules with no window. Its
// timers are the window's: one ball step every 100 ms while the gate allows, the gate once a
// second. With "uncoalesced" after the player count, every frame is written as it is queued.
// Commands arrive on standard input, one a line:
//   mark   start of the measured stretch: CPU time so far is noted, ball ticks are stamped
//   stop   end of the measured stretch (the bots still play out their last messages)
//   quit   report and end
// It writes "PORT <n>" once it hosts, and at "quit":
//   CPU <user us at mark> <sys us at mark> <user us at stop> <sys us at stop>
//   SENT <messages sent to all from mark to stop>
//   WRITES <writes handed to the kernel from mark to stop>
//   RELAY <count> <p50 ms> <p99 ms> <max ms>   (paddle report in -> its last copy out)
//   BALL <count> <p50 ms> <p99 ms> <max ms>    (ball step -> its last BallUpdate out)
//   STAMP <CLOCK_MONOTONIC ns before the step> <left> <top> <angle>   (one per tick since mark)
//   END

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/figures.h"
#include "bench/support/stdin_commands.h"
#include "protocol/messages.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"

namespace {

using quorvex::Buffer;

// Times from a moment (a report's arrival, a ball step) until everything queued by then has
// been handed to the kernel.
struct UntilOut {
    void Out(std::int64_t now) {
        for (const std::int64_t since : waiting) {
            ms.push_back(static_cast<double>(now - since) / 1e6);
        }
        waiting.clear();
    }
    std::vector<std::int64_t> waiting;
    std::vector<double> ms;
};

// Counts what the rules send to all, and times each paddle relay from the report's arrival
// to the moment its last copy is handed to the kernel; the session still does the sending.
class CountingHost : public quorvex::server::GameHost {
  public:
    explicit CountingHost(quorvex::session::Limits limits)
        : GameHost(limits), coalesced(limits.writeCoalesceMs > 0) {}

    bool Send(const Buffer& message) override {
        ++sent;
        return GameHost::Send(message);
    }
    void Receive(quorvex::session::PlayerId from, quorvex::ByteView message) override {
        const bool paddle =
            timing && message[0] == static_cast<std::uint8_t>(quorvex::msg::Type::PaddleUpdate);
        const std::int64_t in = paddle ? quorvex::bench::MonotonicNs() : 0;
        GameHost::Receive(from, message);
        if (paddle) {
            relays.waiting.push_back(in);
        }
        if (!coalesced) {
            AllOut();  // every copy was written as it was queued
        }
    }
    // Every queued frame has just been handed to the kernel.
    void AllOut() {
        const std::int64_t now = quorvex::bench::MonotonicNs();
        relays.Out(now);
        ballSteps.Out(now);
    }

    const bool coalesced;
    long sent = 0;
    bool timing = false;
    UntilOut relays;
    UntilOut ballSteps;
};

struct Stamp {
    std::int64_t ns;
    std::string left, top, angle;
};

long Micros(const timeval& t) {
    return static_cast<long>(t.tv_sec) * 1'000'000 + static_cast<long>(t.tv_usec);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::int32_t maxPlayers = argc > 1 ? std::stoi(argv[1]) : 11;
    quorvex::session::Limits limits;
    if (argc > 2 && std::string(argv[2]) == "uncoalesced") {
        limits.writeCoalesceMs = 0;
    }
    CountingHost session(limits);
    if (const auto error = session.Host(maxPlayers, 0)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    QObject::connect(session.Server(), &quorvex::session::SessionServer::Flushed,
                     [&session] { session.AllOut(); });
    auto& game = session.Game();
    game.StartUpBallDirection();

    rusage atMark{};
    rusage atStop{};
    long sent = 0;
    std::uint64_t writes = 0;
    std::vector<Stamp> stamps;
    stamps.reserve(1 << 16);

    std::int64_t stepStartNs = 0;
    quorvex::server::BallClock ball(
        game, [&] { stepStartNs = quorvex::bench::MonotonicNs(); },
        [&] {
            if (session.timing) {
                stamps.push_back({stepStartNs, game.BallLeft(), game.BallTop(), game.BallAngle()});
                session.ballSteps.waiting.push_back(stepStartNs);
                if (!session.coalesced) {
                    session.AllOut();
                }
            }
        });
    ball.Start();

    const auto commands = quorvex::bench::OnStdinLines([&](const std::string& command) {
        if (command == "mark") {
            getrusage(RUSAGE_SELF, &atMark);
            sent = -session.sent;
            writes = session.Server()->KernelWrites();
            session.timing = true;
        } else if (command == "stop" && session.timing) {
            getrusage(RUSAGE_SELF, &atStop);
            sent += session.sent;
            writes = session.Server()->KernelWrites() - writes;
            session.timing = false;
        } else if (command == "quit") {
            std::printf("CPU %ld %ld %ld %ld\n", Micros(atMark.ru_utime), Micros(atMark.ru_stime),
                        Micros(atStop.ru_utime), Micros(atStop.ru_stime));
            std::printf("SENT %ld\n", sent);
            std::printf("WRITES %llu\n", static_cast<unsigned long long>(writes));
            for (auto [name, times] : {std::pair{"RELAY", &session.relays.ms},
                                       std::pair{"BALL", &session.ballSteps.ms}}) {
                const auto spread = quorvex::bench::SpreadOf(*times);
                std::printf("%s %zu %.3f %.3f %.3f\n", name, spread.count, spread.p50, spread.p99,
                            spread.max);
            }
            for (const auto& s : stamps) {
                std::printf("STAMP %lld %s %s %s\n", static_cast<long long>(s.ns), s.left.c_str(),
                            s.top.c_str(), s.angle.c_str());
            }
            std::printf("END\n");
            std::fflush(stdout);
            app.quit();
        }
    });

    std::printf("PORT %u\n", static_cast<unsigned>(session.Port()));
    std::fflush(stdout);
    return app.exec();
}

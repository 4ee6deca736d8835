// The benchmarks' server: the session service and the server's rules with no window, as a
// child process whose CPU time and memory are its own. Its timers are the window's: one ball
// step every 100 ms while the gate allows, the gate once a second.
//   bench_server [--players N] [--uncoalesced] [--drops] [--web]
// --web serves the watch page on a free loopback port and writes "WEB <port>" first.
// --uncoalesced writes every frame as it is queued; --drops prints "DROPPED <id> <ms>" for each
// player whose connection the session gave up (ms since start). Commands arrive on standard
// input, one a line:
//   seats  answers "SEATS <n>"
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

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "kit/figures.h"
#include "kit/headless_server.h"
#include "protocol/messages.h"
#include "server/watch/watch_service.h"

namespace {

using quorvex::Buffer;
using quorvex::kit::MonotonicNs;

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

// Counts what the rules send to all, times each paddle relay from the report's arrival to the
// moment its last copy is handed to the kernel, and reports drops; the session still does the
// sending.
class CountingHost : public quorvex::server::GameHost {
  public:
    CountingHost(quorvex::session::Limits limits, bool reportDrops)
        : GameHost(limits), coalesced(limits.writeCoalesceMs > 0), reportDrops_(reportDrops) {
        clock_.start();
    }

    bool Send(const Buffer& message) override {
        ++sent;
        return GameHost::Send(message);
    }
    void Receive(quorvex::session::PlayerId from, quorvex::ByteView message) override {
        const bool paddle =
            timing && message[0] == static_cast<std::uint8_t>(quorvex::msg::Type::PaddleUpdate);
        const std::int64_t in = paddle ? MonotonicNs() : 0;
        GameHost::Receive(from, message);
        if (paddle) {
            relays.waiting.push_back(in);
        }
        if (!coalesced) {
            AllOut();  // every copy was written as it was queued
        }
    }
    void DestroyPlayer(quorvex::session::PlayerId id) override {
        if (reportDrops_) {
            std::printf("DROPPED %d %lld\n", id, static_cast<long long>(clock_.elapsed()));
            std::fflush(stdout);
        }
        GameHost::DestroyPlayer(id);
    }
    // Every queued frame has just been handed to the kernel.
    void AllOut() {
        const std::int64_t now = MonotonicNs();
        relays.Out(now);
        ballSteps.Out(now);
    }

    const bool coalesced;
    long sent = 0;
    bool timing = false;
    UntilOut relays;
    UntilOut ballSteps;

  private:
    const bool reportDrops_;
    QElapsedTimer clock_;
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
    quorvex::session::Limits limits;
    if (quorvex::kit::Flag(argc, argv, "--uncoalesced")) {
        limits.writeCoalesceMs = 0;
    }
    CountingHost session(limits, quorvex::kit::Flag(argc, argv, "--drops"));
    rusage atMark{};
    rusage atStop{};
    long sent = 0;
    std::uint64_t writes = 0;
    std::vector<Stamp> stamps;
    stamps.reserve(1 << 16);
    std::int64_t stepStartNs = 0;
    quorvex::kit::HeadlessServer server(
        session, std::stoi(quorvex::kit::Option(argc, argv, "--players", "11")),
        [&] { stepStartNs = MonotonicNs(); },
        [&] {
            if (session.timing) {
                auto& game = session.Game();
                stamps.push_back({stepStartNs, game.BallLeft(), game.BallTop(), game.BallAngle()});
                session.ballSteps.waiting.push_back(stepStartNs);
                if (!session.coalesced) {
                    session.AllOut();
                }
            }
        });
    quorvex::server::watch::WatchService watchPage(session, nullptr);
    if (quorvex::kit::Flag(argc, argv, "--web") && !watchPage.Start(0, true)) {
        std::printf("WEB %u\n", static_cast<unsigned>(watchPage.Port()));
    }
    if (!server.Error()) {
        QObject::connect(session.Server(), &quorvex::session::SessionServer::Flushed,
                         [&session] { session.AllOut(); });
    }
    return server.Serve([&](const std::string& command) {
        if (command == "seats") {
            std::printf("SEATS %zu\n", session.Game().Seats().size());
        } else if (command == "mark") {
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
                const auto spread = quorvex::kit::SpreadOf(*times);
                std::printf("%s %zu %.3f %.3f %.3f\n", name, spread.count, spread.p50, spread.p99,
                            spread.max);
            }
            for (const auto& s : stamps) {
                std::printf("STAMP %lld %s %s %s\n", static_cast<long long>(s.ns), s.left.c_str(),
                            s.top.c_str(), s.angle.c_str());
            }
            std::printf("END\n");
        }
    });
}

// The server under load: the session service and the server's rules with no window. Its
// timers are the window's: one ball step every 100 ms while the gate allows, the gate once a
// second. Commands arrive on standard input, one a line:
//   mark   start of the measured stretch: CPU time so far is noted, ball ticks are stamped
//   quit   report and end
// It writes "PORT <n>" once it hosts, and at "quit":
//   CPU <user us at mark> <sys us at mark> <user us now> <sys us now>
//   SENT <messages sent to all since mark>
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
#include "server/host/ball_clock.h"
#include "server/host/server_session.h"

namespace {

using quorvex::Buffer;

class AnswerPrompter : public quorvex::Prompter {
  public:
    explicit AnswerPrompter(std::string answer) : answer_(std::move(answer)) {}
    std::optional<std::string> AskText(const std::string&, const std::string&,
                                       const std::string&) override {
        return answer_;
    }
    void ShowCritical(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }

  private:
    std::string answer_;
};

// Counts what the rules send to all; the session still does the sending.
class CountingSession : public quorvex::server::ServerSession {
  public:
    bool Send(const Buffer& message) override {
        ++sent;
        return ServerSession::Send(message);
    }
    long sent = 0;
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
    const std::string maxPlayers = argc > 1 ? argv[1] : "11";
    CountingSession session;
    AnswerPrompter prompter(maxPlayers);
    if (const auto error = session.InitServer(prompter, 0)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    auto& game = session.Game();
    game.StartUpBallDirection();

    bool marked = false;
    rusage atMark{};
    long sentAtMark = 0;
    std::vector<Stamp> stamps;
    stamps.reserve(1 << 16);

    std::int64_t stepStartNs = 0;
    quorvex::server::BallClock ball(
        game, [&] { stepStartNs = quorvex::bench::MonotonicNs(); },
        [&] {
            if (marked) {
                stamps.push_back({stepStartNs, game.BallLeft(), game.BallTop(), game.BallAngle()});
            }
        });
    ball.Start();

    const auto commands = quorvex::bench::OnStdinLines([&](const std::string& command) {
        if (command == "mark") {
            getrusage(RUSAGE_SELF, &atMark);
            sentAtMark = session.sent;
            marked = true;
        } else if (command == "quit") {
            rusage now{};
            getrusage(RUSAGE_SELF, &now);
            std::printf("CPU %ld %ld %ld %ld\n", Micros(atMark.ru_utime), Micros(atMark.ru_stime),
                        Micros(now.ru_utime), Micros(now.ru_stime));
            std::printf("SENT %ld\n", session.sent - sentAtMark);
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

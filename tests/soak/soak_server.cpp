// The server under abuse, in a process of its own so that its memory is its own: the session
// service and the server's rules with the window's timers (ball step every 100 ms while the
// gate allows, the gate once a second), on short time-outs. It prints "PORT <n>"; each "heap"
// on standard input is answered with "HEAP <bytes the allocator holds for the program>";
// "quit" (or the end of its input) ends it.

#include <malloc.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <string>

#include "server/host/server_session.h"
#include "tests/soak/soak_limits.h"

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's own count (its allocator replaces malloc's, and its header is not always
// installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

class AnswerPrompter : public quorvex::Prompter {
  public:
    std::optional<std::string> AskText(const std::string&, const std::string&,
                                       const std::string&) override {
        return "400";
    }
    void ShowCritical(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowMessage(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quorvex::server::ServerSession session(quorvex::soak::ServerLimits());
    AnswerPrompter prompter;
    if (const auto error = session.InitServer(prompter, 0)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    auto& game = session.Game();
    game.StartUpBallDirection();
    QTimer ballTimer;
    ballTimer.setInterval(100);
    QObject::connect(&ballTimer, &QTimer::timeout, [&] { game.BallStep(); });
    QTimer gateTimer;
    QObject::connect(&gateTimer, &QTimer::timeout, [&] {
        if (!game.BallGate()) {
            ballTimer.stop();
        } else if (!ballTimer.isActive()) {
            ballTimer.start();
        }
    });
    gateTimer.start(1000);

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    std::string input;
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            app.quit();
            return;
        }
        input.append(chunk, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = input.find('\n')) != std::string::npos) {
            const std::string command = input.substr(0, end);
            input.erase(0, end + 1);
            if (command == "heap") {
                std::printf("HEAP %zu\n", HeapInUse());
                std::fflush(stdout);
            } else if (command == "quit") {
                app.quit();
            }
        }
    });
    std::printf("PORT %u\n", static_cast<unsigned>(session.Port()));
    std::fflush(stdout);
    return app.exec();
}

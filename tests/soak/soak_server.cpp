// The server under abuse, in a process of its own so that its memory is its own: the session
// service and the server's rules with the window's timers (ball step every 100 ms while the
// gate allows, the gate once a second), on short time-outs. It prints "PORT <n>"; each "heap"
// on standard input is answered with "HEAP <bytes the allocator holds for the program>";
// "quit" (or the end of its input) ends it.

#include <malloc.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <string>

#include "bench/support/stdin_commands.h"
#include "server/host/ball_clock.h"
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
    quorvex::server::BallClock ball(game);
    ball.Start();

    const auto commands = quorvex::bench::OnStdinLines([&](const std::string& command) {
        if (command == "heap") {
            std::printf("HEAP %zu\n", HeapInUse());
            std::fflush(stdout);
        } else if (command == "quit") {
            app.quit();
        }
    });
    std::printf("PORT %u\n", static_cast<unsigned>(session.Port()));
    std::fflush(stdout);
    return app.exec();
}

#include "client/bot/termination_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace quorvex::client::bot {
namespace {

// One process, one pair: the signal handler can reach nothing but plain globals.
int pipeEnds[2] = {-1, -1};

extern "C" void WriteSignalByte(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const auto written = write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignal::TerminationSignal(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGTERM, &action, nullptr) != 0 || sigaction(SIGINT, &action, nullptr) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        if (onSignal_) {
            onSignal_();
        }
    });
}

TerminationSignal::~TerminationSignal() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

}  // namespace quorvex::client::bot

#include "ui/signal_events.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <set>

namespace quorvex {
namespace {

// A signal handler can reach nothing but plain globals: for each signal, the pipe it is written
// to, plus one (0: none).
std::array<std::atomic<int>, 65> writeEnds{};

void OnSignal(int signal) {
    const int saved = errno;
    const int fd = writeEnds[static_cast<std::size_t>(signal)] - 1;
    const auto number = static_cast<unsigned char>(signal);
    if (fd >= 0) {
        [[maybe_unused]] const auto written = write(fd, &number, 1);
    }
    errno = saved;
}

}  // namespace

SignalEvents::SignalEvents(std::vector<int> which, std::function<void(int)> handle)
    : signals_(std::move(which)), handle_(std::move(handle)) {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        std::set<int> arrived;
        unsigned char number = 0;
        while (read(pipe_[0], &number, 1) == 1) {
            arrived.insert(number);
        }
        for (const int signal : arrived) {
            handle_(signal);
        }
    });
    for (const int signal : signals_) {
        writeEnds[static_cast<std::size_t>(signal)] = pipe_[1] + 1;
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

SignalEvents::~SignalEvents() {
    for (const int signal : signals_) {
        std::signal(signal, SIG_DFL);
        writeEnds[static_cast<std::size_t>(signal)] = 0;
    }
    notifier_.reset();
    for (int& fd : pipe_) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

}  // namespace quorvex

#include "server/dedicated/console_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace quorvex::server {
namespace {

bool InForeground() {
    return tcgetpgrp(STDIN_FILENO) == getpgrp();
}

}  // namespace

StdinUse StdinUseFor(bool wanted, bool terminal, bool foreground) {
    if (!wanted) {
        return StdinUse::Off;
    }
    return terminal && !foreground ? StdinUse::WaitForForeground : StdinUse::Read;
}

StdinLines::StdinLines(std::function<void(const std::string&)> line, std::function<void()> ended,
                       std::function<void()> tooLong, bool wanted)
    : line_(std::move(line)), ended_(std::move(ended)), tooLong_(std::move(tooLong)) {
    if (!wanted || fcntl(STDIN_FILENO, F_GETFD) == -1) {
        return;  // no standard input at all: nothing to watch
    }
    if (isatty(STDIN_FILENO)) {
        // A read or a log line from the background then fails or goes through instead of
        // stopping the whole server.
        std::signal(SIGTTIN, SIG_IGN);
        std::signal(SIGTTOU, SIG_IGN);
    }
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    notifier_->setEnabled(false);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
    foreground_.setInterval(1000);
    QObject::connect(&foreground_, &QTimer::timeout, [this] { Watch(); });
    Watch();
}

void StdinLines::Watch() {
    const bool read =
        StdinUseFor(true, isatty(STDIN_FILENO) != 0, InForeground()) == StdinUse::Read;
    notifier_->setEnabled(read);
    if (read) {
        foreground_.stop();
    } else if (!foreground_.isActive()) {
        foreground_.start();
    }
}

void StdinLines::Read() {
    char chunk[1024];
    const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (got < 0 && errno == EIO && isatty(STDIN_FILENO)) {
        Watch();  // sent to the background since the last look
        return;
    }
    if (got <= 0) {
        // The end stays readable for ever: watching on would spin.
        notifier_->setEnabled(false);
        if (!pending_.empty() && !skipping_) {
            line_(pending_);
        }
        pending_.clear();
        ended_();
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const char c = chunk[i];
        if (c == '\n') {
            if (!skipping_) {
                line_(pending_);
            }
            pending_.clear();
            skipping_ = false;
        } else if (skipping_) {
            continue;
        } else if (pending_.size() >= kMaxLineBytes) {
            pending_.clear();
            skipping_ = true;
            tooLong_();
        } else {
            pending_ += c;
        }
    }
}

}  // namespace quorvex::server

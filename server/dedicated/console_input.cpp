#include "server/dedicated/console_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quorvex::server {

StdinLines::StdinLines(std::function<void(const std::string&)> line, std::function<void()> ended,
                       std::function<void()> tooLong)
    : line_(std::move(line)), ended_(std::move(ended)), tooLong_(std::move(tooLong)) {
    if (fcntl(STDIN_FILENO, F_GETFD) == -1) {
        return;  // no standard input at all: nothing to watch
    }
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
}

void StdinLines::Read() {
    char chunk[1024];
    const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
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

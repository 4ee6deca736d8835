#include "protocol/session/connection.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "protocol/session/epoll_set.h"

namespace quorvex::session {
namespace {

// A queue keeps up to this much room between flushes; a burst's larger queue is given back, so
// that a quiet peer holds no more than this.
constexpr std::size_t kKeptQueueBytes = 16 * 1024;

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

}  // namespace

Connection::Connection(int descriptor, const Limits& limits, std::size_t maxBodyBytes,
                       EpollSet* shared, FrameHandler onFrame, LostHandler onLost, QObject* parent)
    : QObject(parent),
      descriptor_(descriptor),
      limits_(limits),
      parser_(maxBodyBytes),
      onFrame_(std::move(onFrame)),
      onLost_(std::move(onLost)),
      shared_(shared) {
    ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) | O_NONBLOCK);
    // Low delay: without it small messages wait for the next ones and play stutters.
    const int on = 1;
    ::setsockopt(descriptor_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(descriptor_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    if (shared_ != nullptr) {
        shared_->Add(descriptor_, this, reading_, writing_);
    } else {
        readable_.emplace(descriptor_, QSocketNotifier::Read);
        writable_.emplace(descriptor_, QSocketNotifier::Write);
        writable_->setEnabled(false);
        connect(&*readable_, &QSocketNotifier::activated, this, &Connection::OnReadable);
        connect(&*writable_, &QSocketNotifier::activated, this, &Connection::OnWritable);
    }
    linger_.setSingleShot(true);
    connect(&linger_, &QTimer::timeout, this, &Connection::FinishClosing);
    connect(&gather_, &QTimer::timeout, this, &Connection::ReadNow);
    sinceOpened_.start();
    sinceReceived_.start();
    sinceSent_.start();
}

Connection::~Connection() {
    CloseDescriptor();
}

bool Connection::Queue(ByteView frame) {
    const std::size_t queued = queue_.size() - written_;
    if (state_ != State::Open || queued + frame.size() > limits_.maxPendingWriteBytes) {
        return false;
    }
    if (queued == 0) {
        sinceSent_.restart();
    } else if (written_ > queued) {
        // The kernel took the front of a long queue: its room is reused rather than grown.
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(written_));
        written_ = 0;
    }
    queue_.insert(queue_.end(), frame.begin(), frame.end());
    return true;
}

void Connection::Listen(bool read, bool write) {
    if (read == reading_ && write == writing_) {
        return;  // each change is a system call, or a registration with the event loop
    }
    reading_ = read;
    writing_ = write;
    if (shared_ != nullptr) {
        shared_->Want(descriptor_, read, write);
    } else {
        readable_->setEnabled(read);
        writable_->setEnabled(write);
    }
}

void Connection::HandOver() {
    // While the kernel is full, the rest goes out as soon as it has room again.
    if (state_ == State::Open && !writing_) {
        Write();
    }
}

void Connection::Write() {
    bool broken = false;
    while (written_ < queue_.size()) {
        const ssize_t sent = ::send(descriptor_, queue_.data() + written_, queue_.size() - written_,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            written_ += static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && WouldBlock()) {
            Listen(reading_, true);
            return;
        } else {
            // A broken link: the rest can never go out, and the read side reports the loss.
            broken = true;
            break;
        }
    }
    Listen(reading_, false);
    ClearKeeping(queue_, kKeptQueueBytes);
    written_ = 0;
    if (state_ == State::Closing) {
        if (readEnded_ || broken) {
            FinishClosing();
        } else {
            ::shutdown(descriptor_, SHUT_WR);
        }
    }
}

void Connection::OnWritable() {
    if (state_ != State::Closed) {
        Write();
    }
}

void Connection::GatherReads(int intervalMs) {
    intervalMs = std::max(0, intervalMs);
    if (intervalMs == gatherMs_ || state_ != State::Open) {
        return;
    }
    gatherMs_ = intervalMs;
    if (gatherMs_ > 0) {
        gather_.start(gatherMs_);
        if (!delivering_) {
            Listen(false, writing_);
        }
    } else {
        gather_.stop();
        if (!delivering_ && !readEnded_) {
            Listen(true, writing_);
        }
        ReadNow();
    }
}

void Connection::ReadNow() {
    if (gatherMs_ > 0) {
        gather_.start(gatherMs_);  // the next read falls due a whole interval from this one
    }
    if (!readEnded_) {
        ReadAvailable();
    }
}

void Connection::OnReadable() {
    if (reading_) {
        ReadAvailable();
    }
}

void Connection::ReadAvailable() {
    if (state_ == State::Closed) {
        return;
    }
    if (delivering_) {
        // A handler runs an event loop of its own: this connection's frames wait for it to end,
        // as the handler may still hold a view into the parser.
        Listen(false, writing_);
        return;
    }
    static thread_local std::array<std::uint8_t, 64 * 1024> chunk;
    while (state_ != State::Closed) {
        const std::size_t wanted =
            state_ == State::Open ? std::min(parser_.Room(), chunk.size()) : chunk.size();
        if (wanted == 0) {
            Listen(false, writing_);  // a failed parser takes nothing more
            return;
        }
        const ssize_t got = ::read(descriptor_, chunk.data(), wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && WouldBlock()) {
            return;
        }
        if (got <= 0) {
            // The peer's end is closed or broken.
            readEnded_ = true;
            Listen(false, writing_);
            if (state_ == State::Closing) {
                FinishClosing();
            } else {
                onLost_();
            }
            return;
        }
        if (state_ == State::Closing) {
            continue;  // what a closing connection's peer still sends is read and dropped
        }
        sinceReceived_.restart();
        parser_.Feed(chunk.data(), static_cast<std::size_t>(got));
        Deliver();
        if (state_ == State::Open && parser_.Failed()) {
            onLost_();  // bytes that are no frame
            return;
        }
        if (static_cast<std::size_t>(got) < wanted) {
            return;  // all there was; the notifier tells when more comes
        }
    }
}

void Connection::Deliver() {
    delivering_ = true;
    while (state_ == State::Open) {
        const auto frame = parser_.Next();
        if (!frame) {
            break;
        }
        onFrame_(frame->kind, frame->payload);
    }
    delivering_ = false;
    if (state_ != State::Closed && !readEnded_) {
        Listen(gatherMs_ == 0 || state_ != State::Open, writing_);
    }
}

void Connection::CloseAfterSending() {
    if (state_ != State::Open) {
        return;
    }
    state_ = State::Closing;
    // The peer's end is what completes the close: it is watched for again.
    gather_.stop();
    gatherMs_ = 0;
    if (!readEnded_ && !delivering_) {
        Listen(true, writing_);
    }
    linger_.start(limits_.handshakeTimeoutMs);
    Write();
}

void Connection::Abort() {
    if (state_ == State::Closed) {
        return;
    }
    state_ = State::Closed;
    CloseDescriptor();
    deleteLater();
}

void Connection::FinishClosing() {
    if (state_ == State::Closing) {
        Abort();
    }
}

void Connection::CloseDescriptor() {
    linger_.stop();
    gather_.stop();
    if (descriptor_ < 0) {
        return;
    }
    if (shared_ != nullptr) {
        shared_->Remove(descriptor_);
    } else {
        readable_->setEnabled(false);
        writable_->setEnabled(false);
    }
    ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace quorvex::session

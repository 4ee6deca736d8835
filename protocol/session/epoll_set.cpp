#include "protocol/session/epoll_set.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <array>

#include "protocol/session/connection.h"

namespace quorvex::session {
namespace {

epoll_event Interest(int descriptor, bool read, bool write) {
    epoll_event event{};
    event.events = (read ? EPOLLIN : 0u) | (write ? EPOLLOUT : 0u);
    event.data.fd = descriptor;
    return event;
}

}  // namespace

EpollSet::EpollSet() : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    ready_ = std::make_unique<QSocketNotifier>(epoll_, QSocketNotifier::Read);
    // The event loop polls every descriptor it watches at every turn: an empty set is not
    // among them.
    ready_->setEnabled(false);
    QObject::connect(ready_.get(), &QSocketNotifier::activated, [this] { Dispatch(); });
}

EpollSet::~EpollSet() {
    ready_.reset();
    ::close(epoll_);
}

void EpollSet::Add(int descriptor, Connection* connection, bool read, bool write) {
    connections_[descriptor] = connection;
    ready_->setEnabled(true);
    epoll_event event = Interest(descriptor, read, write);
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &event);
}

void EpollSet::Want(int descriptor, bool read, bool write) {
    epoll_event event = Interest(descriptor, read, write);
    ::epoll_ctl(epoll_, EPOLL_CTL_MOD, descriptor, &event);
}

void EpollSet::Remove(int descriptor) {
    if (connections_.erase(descriptor) > 0) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, descriptor, nullptr);
        ready_->setEnabled(!connections_.empty());
    }
}

// Each event looks its connection up afresh: a handler earlier in the batch may have closed
// one (it is skipped) or even had its descriptor number reused (the newcomer then finds
// nothing to read yet, and waits for its own event).
void EpollSet::Dispatch() {
    std::array<epoll_event, 64> events;
    const int count = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 0);
    for (int i = 0; i < count; ++i) {
        const int descriptor = events[i].data.fd;
        if (const auto it = connections_.find(descriptor);
            it != connections_.end() && (events[i].events & EPOLLOUT) != 0) {
            it->second->OnWritable();
        }
        if (const auto it = connections_.find(descriptor);
            it != connections_.end() && (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
            it->second->OnReadable();
        }
    }
}

}  // namespace quorvex::session

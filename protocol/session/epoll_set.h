#pragma once

// Many connections' sockets behind one descriptor: an epoll set, and one socket notifier on it.
// The event loop polls every descriptor it watches at every turn; with a notifier per player
// that poll was a third of a server's time at 200 players. A connection with notifiers of its
// own costs one system call fewer per message (a client's, a server's first few).

#include <QSocketNotifier>

#include <memory>
#include <unordered_map>

namespace quorvex::session {

class Connection;

class EpollSet {
  public:
    EpollSet();
    ~EpollSet();
    EpollSet(const EpollSet&) = delete;
    EpollSet& operator=(const EpollSet&) = delete;

    // Watches `descriptor` for `connection`, reading or writing as asked; Want changes that,
    // Remove ends it (before the descriptor is closed).
    void Add(int descriptor, Connection* connection, bool read, bool write);
    void Want(int descriptor, bool read, bool write);
    void Remove(int descriptor);

  private:
    void Dispatch();

    int epoll_;
    std::unique_ptr<QSocketNotifier> ready_;
    std::unordered_map<int, Connection*> connections_;
};

}  // namespace quorvex::session

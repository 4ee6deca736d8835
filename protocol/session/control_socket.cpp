#include "protocol/session/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace quorvex::session {
namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::optional<sockaddr_un> AddressOf(const std::string& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

int Connect(const sockaddr_un& address) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool MakePrivateDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info = {};
    // Someone else's directory at a guessable /tmp path must not be used.
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 0077) == 0;
}

}  // namespace

bool ControlPeerAllowed(uid_t peer, uid_t self) {
    return peer == self || peer == 0;
}

std::string DefaultControlPath() {
    if (const char* runtime = std::getenv("RUNTIME_DIRECTORY"); runtime && *runtime) {
        const std::string first(runtime, std::strcspn(runtime, ":"));
        return first + "/control";
    }
    if (const char* user = std::getenv("XDG_RUNTIME_DIR"); user && *user) {
        const std::string directory = std::string(user) + "/quorvex";
        if (MakePrivateDirectory(directory)) {
            return directory + "/control";
        }
    }
    const std::string directory = "/tmp/quorvex-" + std::to_string(getuid());
    MakePrivateDirectory(directory);
    return directory + "/control";
}

ControlSocket::ControlSocket(Handler handler, Notice notice)
    : handler_(std::move(handler)), notice_(std::move(notice)) {}

ControlSocket::~ControlSocket() {
    for (auto& [fd, client] : clients_) {
        client->readable.reset();
        client->writable.reset();
        close(fd);
    }
    clients_.clear();
    listening_.reset();
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(path_.c_str());
    }
}

std::optional<std::string> ControlSocket::Listen(const std::string& path, mode_t mode) {
    const auto address = AddressOf(path);
    if (!address) {
        return "the path " + path + " is empty or too long for a socket";
    }
    if (const int live = Connect(*address); live >= 0) {
        close(live);
        return "another server already answers on " + path;
    }
    struct stat info = {};
    if (lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            return path + " exists and is not a socket";
        }
        unlink(path.c_str());  // left by a server that ended
    }
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) {
        return Errno("socket");
    }
    // Created with no access for anyone, then opened up as far as asked: never wider for a
    // moment.
    const mode_t before = umask(0777);
    const int bound =
        bind(listenFd_, reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
    umask(before);
    if (bound != 0 || chmod(path.c_str(), mode) != 0 || listen(listenFd_, 8) != 0) {
        const std::string error = Errno(path);
        close(listenFd_);
        listenFd_ = -1;
        return error;
    }
    path_ = path;
    listening_ = std::make_unique<QSocketNotifier>(listenFd_, QSocketNotifier::Read);
    QObject::connect(listening_.get(), &QSocketNotifier::activated, [this] { Accept(); });
    return std::nullopt;
}

void ControlSocket::Accept() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        ucred peer = {};
        socklen_t size = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            !ControlPeerAllowed(peer.uid, getuid())) {
            notice_("control socket: refused a peer of user " + std::to_string(peer.uid));
            static constexpr char kRefusal[] = "error: not allowed\n";
            [[maybe_unused]] const auto sent =
                send(fd, kRefusal, sizeof kRefusal - 1, MSG_NOSIGNAL);
            close(fd);
            continue;
        }
        if (clients_.size() >= kMaxClients) {
            close(fd);
            continue;
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->uid = peer.uid;
        client->readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(client->readable.get(), &QSocketNotifier::activated,
                         [this, fd] { Read(fd); });
        client->idle.setSingleShot(true);
        QObject::connect(&client->idle, &QTimer::timeout, [this, fd] {
            notice_("control socket: closed a client that sent no command in time");
            Close(fd);
        });
        client->idle.start(kIdleMs);
        clients_[fd] = std::move(client);
    }
}

void ControlSocket::Read(int fd) {
    Client& client = *clients_.at(fd);
    char chunk[1024];
    const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (got <= 0) {
        // The peer closed its end: a line without its newline still counts.
        if (client.in.empty()) {
            Close(fd);
        } else {
            Answer(client, handler_(client.in, client.uid));
        }
        return;
    }
    client.in.append(chunk, static_cast<std::size_t>(got));
    const auto end = client.in.find('\n');
    if (end == std::string::npos && client.in.size() <= kMaxLineBytes) {
        return;
    }
    if (end == std::string::npos || end > kMaxLineBytes) {
        Answer(client, "error: command line too long, ignored");
        return;
    }
    std::string line = client.in.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    Answer(client, handler_(line, client.uid));
}

void ControlSocket::Answer(Client& client, const std::string& text) {
    // One command, one reply: whatever else the peer sends is not read.
    client.readable.reset();
    client.idle.start(kIdleMs);
    client.out = text + "\n";
    client.answered = true;
    const int fd = client.fd;
    client.writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(client.writable.get(), &QSocketNotifier::activated, [this, fd] { Flush(fd); });
    Flush(fd);
}

void ControlSocket::Flush(int fd) {
    Client& client = *clients_.at(fd);
    while (!client.out.empty()) {
        const ssize_t sent = send(fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EAGAIN) {
            return;  // the notifier calls again when there is room
        }
        if (sent <= 0) {
            break;
        }
        client.out.erase(0, static_cast<std::size_t>(sent));
    }
    Close(fd);
}

void ControlSocket::Close(int fd) {
    const auto found = clients_.find(fd);
    if (found == clients_.end()) {
        return;
    }
    found->second->readable.reset();
    found->second->writable.reset();
    close(fd);
    // A notifier's own call may be on the stack: the client goes once the loop is back.
    QTimer::singleShot(0, [client = found->second.release()] { delete client; });
    clients_.erase(found);
}

bool SendControlCommand(const std::string& path, const std::string& command, std::string* reply,
                        int timeoutMs) {
    const auto address = AddressOf(path);
    if (!address) {
        *reply = "the control socket's path " + path + " is empty or too long";
        return false;
    }
    const int fd = Connect(*address);
    if (fd < 0) {
        *reply = Errno("no server answers on " + path);
        return false;
    }
    const std::string line = command + "\n";
    // A server that refuses this peer may have answered and closed before the line went out:
    // its answer is still there to read.
    const bool sent =
        send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
    const std::string sendError = sent ? std::string() : Errno("cannot send to " + path);
    reply->clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd wait = {fd, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) {
            *reply += "error: no reply from the server in time\n";
            break;
        }
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        reply->append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    if (!sent && reply->empty()) {
        *reply = sendError;
        return false;
    }
    return true;
}

}  // namespace quorvex::session

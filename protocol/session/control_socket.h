#pragma once

// The operator's way in while the server runs as a service: a Unix-domain socket on the Qt
// event loop. Each connection carries one command line and gets one reply, then closes, so a
// shell client needs nothing but connect, write, read to the end. Only the server's own user
// and root may talk to it (the socket's mode says so too; the peer's credentials are checked
// again because a directory's permissions are easy to get wrong). A peer that says nothing
// in time, or sends more than a line, is closed.

#include <QSocketNotifier>
#include <QTimer>

#include <sys/types.h>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace quorvex::session {

class ControlSocket {
  public:
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr int kIdleMs = 5000;
    static constexpr std::size_t kMaxClients = 8;

    // Answers one command line (without its newline) from a peer of user `uid`; the reply's
    // lines, joined by newlines, without a final one.
    using Handler = std::function<std::string(const std::string& line, uid_t uid)>;
    // Something worth a log line: a refused peer, a dropped client.
    using Notice = std::function<void(const std::string&)>;

    ControlSocket(Handler handler, Notice notice);
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // Listens on `path` with the file mode `mode`. A stale socket left by a server that ended
    // is replaced; one a live server answers on is not. The error text, none on success.
    std::optional<std::string> Listen(const std::string& path, mode_t mode = 0600);
    const std::string& Path() const { return path_; }

  private:
    struct Client {
        int fd = -1;
        uid_t uid = 0;
        std::string in;
        std::string out;
        bool answered = false;
        std::unique_ptr<QSocketNotifier> readable;
        std::unique_ptr<QSocketNotifier> writable;
        QTimer idle;
    };

    void Accept();
    void Read(int fd);
    void Answer(Client& client, const std::string& text);
    void Flush(int fd);
    void Close(int fd);

    Handler handler_;
    Notice notice_;
    std::string path_;
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> listening_;
    std::map<int, std::unique_ptr<Client>> clients_;
};

// Whether a peer of user `peer` may give commands to a server running as `self`.
bool ControlPeerAllowed(uid_t peer, uid_t self);

// The default place of the control socket: the service manager's runtime directory, else the
// user's own (XDG_RUNTIME_DIR/quorvex), else a directory of this user's under /tmp. Creates the
// directory (mode 0700) when it is ours to make.
std::string DefaultControlPath();

// The client end: connects to `path`, sends `command` and reads the reply to the end (within
// `timeoutMs`). False, with the reason in `reply`, when no server answered.
bool SendControlCommand(const std::string& path, const std::string& command, std::string* reply,
                        int timeoutMs = 10000);

}  // namespace quorvex::session

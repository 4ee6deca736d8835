// An unfriendly player: it joins and sends Chat lines of 200 bytes as fast as the connection
// takes them (or `lines per second` when given), reading and discarding whatever comes back.
// When the server cuts it off it joins again a second later, as a script restarted by hand
// would, until `seconds` have passed. Plain sockets, so
// nothing paces it. Prints "LINES <sent> CUT <times disconnected>".
//   chat_flooder <host address> <port> <seconds> [lines per second]

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "protocol/messages.h"
#include "protocol/session/frame.h"
#include "protocol/session/limits.h"

using namespace quorvex;
using Clock = std::chrono::steady_clock;

namespace {

int Join(const char* host, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const Buffer hello = session::MakeFrame(
        session::FrameKind::Hello,
        session::EncodeHello({session::kProtocolVersion, session::kApplicationId, "spam"}));
    (void)!::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: chat_flooder host port seconds [lines per second]\n");
        return 2;
    }
    const char* host = argv[1];
    const int port = std::stoi(argv[2]);
    const auto end = Clock::now() + std::chrono::seconds(std::stoi(argv[3]));
    const double perSecond = argc > 4 ? std::stod(argv[4]) : 0;
    const Buffer line = session::MakeFrame(
        session::FrameKind::Data, *msg::Encode(msg::Chat{"spam:>" + std::string(194, 'x')}));
    const auto start = Clock::now();
    long long sent = 0;
    int cut = 0;
    std::size_t partial = 0;  // bytes of the current frame already written
    int fd = Join(host, port);
    char sink[65536];
    while (Clock::now() < end && fd >= 0) {
        pollfd p{fd, POLLIN | POLLOUT, 0};
        ::poll(&p, 1, 10);
        bool closed = (p.revents & (POLLERR | POLLHUP)) != 0;
        while (!closed && (p.revents & POLLIN) != 0) {
            const ssize_t got = ::recv(fd, sink, sizeof sink, 0);
            closed = got == 0;
            if (got <= 0) {
                break;
            }
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const bool due = perSecond <= 0 || static_cast<double>(sent) < seconds * perSecond;
        while (!closed && due && (p.revents & POLLOUT) != 0) {
            const ssize_t put = ::send(fd, line.data() + partial, line.size() - partial,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
            if (put < 0) {
                closed = errno != EAGAIN && errno != EWOULDBLOCK;
                break;
            }
            partial += static_cast<std::size_t>(put);
            if (partial == line.size()) {
                partial = 0;
                ++sent;
                if (perSecond > 0) {
                    break;
                }
            }
        }
        if (closed) {
            ::close(fd);
            ++cut;
            partial = 0;
            std::this_thread::sleep_for(std::chrono::seconds(1));
            fd = Clock::now() < end ? Join(host, port) : -1;
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    std::printf("LINES %lld CUT %d\n", sent, cut);
    return 0;
}

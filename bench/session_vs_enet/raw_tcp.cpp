#include "bench/session_vs_enet/raw_tcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "bench/session_vs_enet/wire.h"
#include "kit/figures.h"

namespace quorvex::bench::compare {
namespace {

using Bytes = std::array<std::uint8_t, kMessageBytes>;

// Closes the descriptor however the scope is left.
struct Descriptor {
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void NoDelay(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Exactly one message each way, or false.
bool ReadMessage(int fd, Bytes& message) {
    std::size_t got = 0;
    while (got < message.size()) {
        const ssize_t n = recv(fd, message.data() + got, message.size() - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteMessage(int fd, const Bytes& message) {
    std::size_t done = 0;
    while (done < message.size()) {
        const ssize_t n = send(fd, message.data() + done, message.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int RunRawEchoServer() {
    const Descriptor listener(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener.fd < 0 ||
        bind(listener.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.fd, 1) != 0 ||
        getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 1;
    }
    std::printf("PORT %u\n", static_cast<unsigned>(ntohs(address.sin_port)));
    std::fflush(stdout);
    const Descriptor peer(accept(listener.fd, nullptr, nullptr));
    if (peer.fd < 0) {
        return 1;
    }
    NoDelay(peer.fd);
    Bytes message{};
    while (ReadMessage(peer.fd, message) && WriteMessage(peer.fd, message)) {
    }
    return 0;
}

std::vector<double> RawRoundTrips(std::uint16_t port, int count, int warmUp, int timeoutMs) {
    const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    const Descriptor peer(socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = Loopback(port);
    if (peer.fd < 0 ||
        connect(peer.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    NoDelay(peer.fd);
    // A blocking read that waits for an echo that never comes must not wait for ever.
    const timeval patience{std::clamp(timeoutMs / 1000, 1, 5), 0};
    setsockopt(peer.fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(count));
    Bytes message{};
    message.fill(0x2A);
    message[0] = kPing;
    for (int i = 0; i < count + warmUp; ++i) {
        const std::int64_t start = MonotonicNs();
        if (!WriteMessage(peer.fd, message) || !ReadMessage(peer.fd, message) ||
            MonotonicNs() > end) {
            return {};
        }
        if (i >= warmUp) {
            samples.push_back(static_cast<double>(MonotonicNs() - start) / 1000.0);
        }
    }
    return samples;
}

}  // namespace quorvex::bench::compare

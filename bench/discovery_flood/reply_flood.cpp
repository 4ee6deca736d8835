#include "bench/discovery_flood/reply_flood.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>

#include "client/link/server_finder.h"
#include "kit/child_process.h"
#include "kit/figures.h"
#include "kit/loop.h"
#include "protocol/session/discovery.h"

namespace quorvex::bench {
namespace {

int LoopbackSocket(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at);
    return fd;
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return kit::CpuSeconds(usage);
}

}  // namespace

int FloodReplies(std::uint16_t port, int rate, int seconds) {
    const int server = LoopbackSocket(port);
    const int stranger = LoopbackSocket(0);
    sockaddr_in asker{};
    std::uint32_t token = 0;
    bool asked = false;
    long sent = 0, fromOtherPort = 0;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    std::uint8_t in[2048];
    for (int ms = 0; ms < seconds * 1000; ++ms) {
        // The latest ask's token: the prompt takes answers to its last few asks only.
        socklen_t size = sizeof asker;
        for (ssize_t got; (got = recvfrom(server, in, sizeof in, 0,
                                          reinterpret_cast<sockaddr*>(&asker), &size)) > 0;
             size = sizeof asker) {
            const ByteView bytes(in, static_cast<std::size_t>(got));
            if (const auto query = session::DecodeDiscoveryQuery(bytes)) {
                token = query->token;
                asked = true;
            }
        }
        for (const long due = static_cast<long>(rate) * (ms + 1) / 1000; asked && sent < due;
             ++sent) {
            const auto n = static_cast<std::uint32_t>(sent);
            const Buffer reply = session::EncodeDiscoveryReply(
                {token, n, "flood", "flood " + std::to_string(n), "", 4000, 0, 10, 1, "5", "1"});
            const bool other = n % 4 == 3;
            fromOtherPort += other ? 1 : 0;
            sendto(other ? stranger : server, reply.data(), reply.size(), 0,
                   reinterpret_cast<const sockaddr*>(&asker), sizeof asker);
        }
        next.tv_nsec += 1'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    std::printf("SENT %ld OTHERPORT %ld\n", sent, fromOtherPort);
    close(server);
    close(stranger);
    return 0;
}

void MeasureReplyFlood(std::uint16_t port, int rate, int seconds) {
    client::ServerFinder finder([] { return QList<QHostAddress>{QHostAddress::LocalHost}; }, port);
    std::size_t most = 0;
    long redraws = 0;
    // What the prompt does on each redraw: every line made again.
    finder.Open([&] {
        ++redraws;
        most = std::max(most, finder.Choices().size());
    });
    QTimer sample;  // between redraws too
    QObject::connect(&sample, &QTimer::timeout,
                     [&] { most = std::max(most, finder.List().Servers().size()); });
    sample.start(5);
    kit::ChildProcess flood(
        kit::OwnDirectory() + "/discovery_flood",
        {"--reply-flood", std::to_string(port), std::to_string(rate), std::to_string(seconds)});
    const double cpuBefore = OwnCpuSeconds();
    kit::Pump(seconds * 1000);
    const double cpuPercent = (OwnCpuSeconds() - cpuBefore) * 100 / seconds;
    std::string report;
    for (const std::string& line : flood.ReadRemainingLines(5000)) {
        report += line;
    }
    flood.Wait(2000);
    finder.Close();
    std::printf(
        "\nreply flood at the host prompt: %d replies/s for %d s from one sender, each a "
        "new server (a quarter from another port)\n",
        rate, seconds);
    std::printf("flooder: %s\n", report.c_str());
    std::printf(
        "entries listed at most: %zu; list redrawn %.1f times a second; process CPU %.1f %%\n",
        most, static_cast<double>(redraws) / seconds, cpuPercent);
    std::printf("goal: one flooding sender makes at most 1 entry: %s\n", kit::Verdict(most <= 1));
    std::printf(
        "goal: the list redrawn at most %d times a second: %s\n",
        1000 / client::kServerFinderRedrawMs,
        kit::Verdict(redraws <= static_cast<long>(seconds) * 1000 / client::kServerFinderRedrawMs));
    std::printf("goal: the prompt's process under the flood at most 25 %% of a core: %s\n",
                kit::Verdict(cpuPercent <= 25));
}

}  // namespace quorvex::bench

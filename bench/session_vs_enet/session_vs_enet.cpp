// Our session layer against ENet's reliable ordered channel, on this machine, in one run: the
// round trip of one small message, beside the floor of a plain TCP round trip, and the
// fan-out throughput of one server to 10 receivers. Each server runs in a child process; the
// clients run here. Every process runs on the one processor this program started on, unless
// --any-cpu: where the scheduler puts the two ends of a round trip otherwise decides the
// figures (on this virtual machine about 15 us on one processor, 80 us across two) more than
// the transports do. The whole run ends within its time limit: a transport that cannot finish
// in it is named, and the program exits 1.
//
//   session_vs_enet [--round-trips N] [--fan-out N] [--time-limit SECONDS] [--any-cpu]

#include <enet/enet.h>
#include <sched.h>

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "bench/session_vs_enet/enet_peers.h"
#include "bench/session_vs_enet/ours_peers.h"
#include "bench/session_vs_enet/raw_tcp.h"
#include "bench/session_vs_enet/wire.h"
#include "kit/child_process.h"
#include "kit/figures.h"

namespace quorvex::bench::compare {
namespace {

constexpr double kFloorGoal = 1.3;  // ours at most this many times the raw TCP round trip
constexpr int kWarmUp = 500;
constexpr int kRounds = 6;  // the transports take turns, so a busy spell hits them all

// The run's end, on the monotonic clock.
std::int64_t deadlineNs = 0;

int LeftMs() {
    return static_cast<int>(std::max<std::int64_t>(0, (deadlineNs - MonotonicNs()) / 1'000'000));
}

std::optional<std::uint16_t> StartServer(ChildProcess& server) {
    const auto line = server.ReadLine(std::min(10000, LeftMs()));
    if (!server.Running() || !line || line->rfind("PORT ", 0) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(std::stoi(line->substr(5)));
}

std::vector<double> RoundTrips(const std::string& which, int count) {
    ChildProcess server(OwnDirectory() + "/compare_server", {which});
    const auto port = StartServer(server);
    if (!port) {
        return {};
    }
    auto samples = which == "ours"   ? OursRoundTrips(*port, count, kWarmUp, LeftMs())
                   : which == "enet" ? EnetRoundTrips(*port, count, kWarmUp, LeftMs())
                                     : RawRoundTrips(*port, count, kWarmUp, LeftMs());
    server.Send("quit");
    server.Wait(3000);
    return samples;
}

// Deliveries per second to all receivers together; negative on failure.
double FanOut(const std::string& which, std::uint32_t total) {
    ChildProcess server(OwnDirectory() + "/compare_server", {which});
    const auto port = StartServer(server);
    if (!port) {
        return -1;
    }
    const auto start = [&server, total] { server.Send("fanout " + std::to_string(total)); };
    const double seconds = which == "ours" ? OursFanOut(*port, total, start, LeftMs())
                                           : EnetFanOut(*port, total, start, LeftMs());
    server.Send("quit");
    server.Wait(3000);
    return seconds > 0 ? static_cast<double>(total) * kReceivers / seconds : -1;
}

int CouldNotFinish(const std::string& what, int limitSeconds) {
    std::printf(
        "session_vs_enet could not finish: %s failed or did not end within the %d s limit\n",
        what.c_str(), limitSeconds);
    return 1;
}

}  // namespace
}  // namespace quorvex::bench::compare

int main(int argc, char** argv) {
    using namespace quorvex::bench;
    using namespace quorvex::bench::compare;
    QCoreApplication app(argc, argv);
    // The raw echo server ends with its connection; telling it to quit afterwards writes to a
    // closed pipe, which must not end this program.
    std::signal(SIGPIPE, SIG_IGN);
    const int roundTrips =
        std::max(1, std::atoi(Option(argc, argv, "--round-trips", "30000").c_str()));
    const auto fanOut = static_cast<std::uint32_t>(
        std::max(1, std::atoi(Option(argc, argv, "--fan-out", "100000").c_str())));
    const int limitSeconds =
        std::max(1, std::atoi(Option(argc, argv, "--time-limit", "170").c_str()));
    deadlineNs = MonotonicNs() + std::int64_t{limitSeconds} * 1'000'000'000;
    const bool anyCpu = std::any_of(
        argv + 1, argv + argc, [](const char* arg) { return std::string(arg) == "--any-cpu"; });
    std::string where = "any processor";
    if (!anyCpu) {
        // The servers, started later, inherit it.
        cpu_set_t one;
        CPU_ZERO(&one);
        const int cpu = sched_getcpu();
        CPU_SET(cpu, &one);
        if (sched_setaffinity(0, sizeof one, &one) == 0) {
            where = "processor " + std::to_string(cpu) + " only";
        }
    }

    std::printf(
        "session_vs_enet: our session layer (TCP, framed, Qt event loop) against ENet %d.%d.%d\n"
        "(UDP, reliable ordered channel 0) on this machine. Each server is a child process;\n"
        "its clients run in this process. Messages are %zu bytes. Time limit %d s; every\n"
        "process on %s.\n\n",
        ENET_VERSION_MAJOR, ENET_VERSION_MINOR, ENET_VERSION_PATCH, kMessageBytes, limitSeconds,
        where.c_str());
    std::fflush(stdout);

    std::vector<double> ours, enet, raw;
    for (int round = 0; round < kRounds; ++round) {
        for (auto [which, samples] : {std::pair{"ours", &ours}, {"enet", &enet}, {"raw", &raw}}) {
            const auto got = RoundTrips(which, roundTrips / kRounds);
            if (got.empty()) {
                return CouldNotFinish(std::string(which) + " round trips", limitSeconds);
            }
            samples->insert(samples->end(), got.begin(), got.end());
        }
    }
    const Spread o = SpreadOf(ours);
    const Spread e = SpreadOf(enet);
    const Spread r = SpreadOf(raw);
    std::printf(
        "Round trip of one message, client -> server -> same client (%zu, %zu and %zu "
        "samples, %d warm-up each run). Raw: plain TCP between two processes, blocking\n"
        "sockets, TCP_NODELAY, the floor on this machine:\n",
        o.count, e.count, r.count, kWarmUp);
    std::printf("  ours: p50 %7.1f us  p99 %7.1f us  max %7.1f us\n", o.p50, o.p99, o.max);
    std::printf("  ENet: p50 %7.1f us  p99 %7.1f us  max %7.1f us\n", e.p50, e.p99, e.max);
    std::printf("  raw:  p50 %7.1f us  p99 %7.1f us  max %7.1f us\n", r.p50, r.p99, r.max);
    std::printf(
        "  ours/raw: p50 %.2f, p99 %.2f;  ENet/raw: p50 %.2f, p99 %.2f;  "
        "ours/ENet: p50 %.2f, p99 %.2f\n",
        o.p50 / r.p50, o.p99 / r.p99, e.p50 / r.p50, e.p99 / r.p99, o.p50 / e.p50, o.p99 / e.p99);
    std::printf("  goal ours <= %.1f x raw at p50: %s\n", kFloorGoal,
                Verdict(o.p50 <= kFloorGoal * r.p50));
    std::printf("  goal ours <= ENet at p50: %s\n\n", Verdict(o.p50 <= e.p50));
    std::fflush(stdout);

    const double oursRate = FanOut("ours", fanOut);
    if (oursRate <= 0) {
        return CouldNotFinish("our fan-out", limitSeconds);
    }
    const double enetRate = FanOut("enet", fanOut);
    if (enetRate <= 0) {
        return CouldNotFinish("ENet's fan-out", limitSeconds);
    }
    std::printf(
        "Fan-out: one server sends %u messages to each of %d receivers, at most %u in "
        "flight beyond the slowest receiver's count:\n",
        fanOut, kReceivers, kWindow);
    std::printf("  ours: %10.0f deliveries/s\n", oursRate);
    std::printf("  ENet: %10.0f deliveries/s\n", enetRate);
    std::printf("  ours/ENet: %.2f; goal >= 1.0: %s\n", oursRate / enetRate,
                Verdict(oursRate >= enetRate));
    return 0;
}

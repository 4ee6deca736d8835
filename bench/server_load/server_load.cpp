// Load on a real server: the session service and the server's rules in a child process,
// K scripted players in this one, all seated, each reporting its paddle every 100 ms and
// answering BallUpdates with a bounce now and then. Prints, per K, the message rates, the
// BallUpdate latency, and the server's CPU time and peak memory.
//
//   server_load [--seconds N] [--k 10,25,50,98]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "bench/server_load/load_bot.h"
#include "bench/support/child_process.h"
#include "bench/support/figures.h"

namespace quorvex::bench {
namespace {

constexpr int kGoalK = 50;
constexpr double kGoalP99Ms = 2.0;
constexpr double kGoalCpuShare = 0.10;
constexpr double kGoalRssMb = 60.0;

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const std::int64_t deadline = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    while (!done()) {
        if (MonotonicNs() > deadline) {
            return false;
        }
        RunFor(5);
    }
    return true;
}

double CpuSeconds(const rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

struct Result {
    int k = 0;
    bool ok = false;
    double seconds = 0;
    double inPerSecond = 0;
    double bouncesPerSecond = 0;
    double outPerSecond = 0;
    double broadcastsPerSecond = 0;
    Spread latencyMs;
    std::size_t unmatched = 0;
    double serverCpuShare = 0;  // CPU seconds per second of play
    double serverCpuTotal = 0;  // over its whole life, as wait4 counted it
    double peakRssMb = 0;
    double benchCpuShare = 0;
};

// Server-side stamps by their (left top angle) text; a key can repeat, so each keeps a list.
using Stamps = std::map<std::string, std::vector<std::int64_t>>;

Stamps ParseStamps(const std::vector<std::string>& lines, double& cpuShareOut, double seconds,
                   long& sentOut) {
    Stamps stamps;
    for (const auto& line : lines) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "STAMP") {
            long long ns = 0;
            std::string left, top, angle;
            in >> ns >> left >> top >> angle;
            stamps[left + ' ' + top + ' ' + angle].push_back(ns);
        } else if (word == "CPU") {
            long u0 = 0, s0 = 0, u1 = 0, s1 = 0;
            in >> u0 >> s0 >> u1 >> s1;
            cpuShareOut = static_cast<double>((u1 + s1) - (u0 + s0)) / 1e6 / seconds;
        } else if (word == "SENT") {
            in >> sentOut;
        }
    }
    return stamps;
}

Result RunOnce(int k, int seconds) {
    Result result;
    result.k = k;
    ChildProcess server(OwnDirectory() + "/server_load_server", {std::to_string(k + 1)});
    const auto portLine = server.ReadLine(10000);
    if (!server.Running() || !portLine || portLine->rfind("PORT ", 0) != 0) {
        std::fprintf(stderr, "K=%d: the bench server did not start\n", k);
        return result;
    }
    const auto port = static_cast<quint16>(std::stoi(portLine->substr(5)));

    std::vector<std::unique_ptr<LoadBot>> bots;
    for (int i = 0; i < k; ++i) {
        bots.push_back(std::make_unique<LoadBot>(i, port));
    }
    const auto allSeated = [&] {
        for (const auto& bot : bots) {
            if (!bot->SeatedAmong(static_cast<std::size_t>(k))) {
                return false;
            }
        }
        return true;
    };
    if (!RunUntil(allSeated, 30000)) {
        std::fprintf(stderr, "K=%d: not every bot got seated\n", k);
        return result;
    }
    // Independent clients tick at unrelated moments: each starts its 100 ms paddle timer at
    // a random point (a fixed seed, so runs compare).
    std::mt19937 random(static_cast<unsigned>(k));
    std::uniform_int_distribution<int> phase(0, 99);
    for (auto& bot : bots) {
        bot->StartPlaying(phase(random));
    }
    RunFor(1500);  // the gate opens within a second; let the traffic settle

    rusage ownBefore{};
    getrusage(RUSAGE_SELF, &ownBefore);
    LoadBot::recording = true;
    server.Send("mark");
    const std::int64_t start = MonotonicNs();
    RunFor(seconds * 1000);
    LoadBot::recording = false;
    const double elapsed = static_cast<double>(MonotonicNs() - start) / 1e9;
    rusage ownAfter{};
    getrusage(RUSAGE_SELF, &ownAfter);

    result.peakRssMb = static_cast<double>(server.PeakRssKb().value_or(0)) / 1024.0;
    server.Send("quit");
    std::vector<std::string> lines;
    while (auto line = server.ReadLine(10000)) {
        if (*line == "END") {
            break;
        }
        lines.push_back(std::move(*line));
    }
    if (const auto usage = server.Wait(5000)) {
        result.serverCpuTotal = CpuSeconds(*usage);
    }
    for (auto& bot : bots) {
        bot->Close();
    }
    RunFor(200);

    long sentToAll = 0;
    const Stamps stamps = ParseStamps(lines, result.serverCpuShare, elapsed, sentToAll);
    std::vector<double> latencies;
    long in = 0, bounces = 0, out = 0;
    for (const auto& bot : bots) {
        in += bot->sent;
        bounces += bot->bounces;
        out += bot->received;
        for (const auto& arrival : bot->arrivals) {
            const auto it = stamps.find(arrival.key);
            std::int64_t best = -1;
            if (it != stamps.end()) {
                for (const std::int64_t ns : it->second) {
                    if (ns <= arrival.ns && ns > best) {
                        best = ns;
                    }
                }
            }
            if (best < 0) {
                ++result.unmatched;  // a tick from before the mark
                continue;
            }
            latencies.push_back(static_cast<double>(arrival.ns - best) / 1e6);
        }
    }
    result.seconds = elapsed;
    result.inPerSecond = static_cast<double>(in) / elapsed;
    result.bouncesPerSecond = static_cast<double>(bounces) / elapsed;
    result.outPerSecond = static_cast<double>(out) / elapsed;
    result.broadcastsPerSecond = static_cast<double>(sentToAll) / elapsed;
    result.latencyMs = SpreadOf(latencies);
    result.benchCpuShare = (CpuSeconds(ownAfter) - CpuSeconds(ownBefore)) / elapsed;
    result.ok = !latencies.empty();
    return result;
}

void Print(const Result& r) {
    std::printf("K = %d  (%.1f s measured)\n", r.k, r.seconds);
    if (!r.ok) {
        std::printf("  no figures: the run failed\n\n");
        return;
    }
    std::printf("  messages in  (bots -> server): %9.0f /s  (of which BallEvent %.0f /s)\n",
                r.inPerSecond, r.bouncesPerSecond);
    std::printf("  messages out (server -> bots): %9.0f /s  (%.0f sends to all /s)\n",
                r.outPerSecond, r.broadcastsPerSecond);
    std::printf(
        "  BallUpdate latency, server tick -> bot handler: p50 %.3f ms, p99 %.3f ms, "
        "max %.3f ms  (%zu deliveries, %zu from before the mark)\n",
        r.latencyMs.p50, r.latencyMs.p99, r.latencyMs.max, r.latencyMs.count, r.unmatched);
    std::printf(
        "  server CPU: %.1f ms per s of play = %.1f %% of one core  (%.2f s over its "
        "whole life, start-up and joins included)\n",
        r.serverCpuShare * 1000, r.serverCpuShare * 100, r.serverCpuTotal);
    std::printf("  server peak RSS (VmHWM): %.1f MB\n", r.peakRssMb);
    std::printf("  bots' process CPU: %.1f %% of one core\n\n", r.benchCpuShare * 100);
}

void PrintGoals(const Result& r) {
    const auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("Goals at K = %d:\n", r.k);
    std::printf("  BallUpdate p99 <= %.1f ms: %.3f ms, %s\n", kGoalP99Ms, r.latencyMs.p99,
                verdict(r.ok && r.latencyMs.p99 <= kGoalP99Ms));
    std::printf("  server CPU <= %.0f %% of one core: %.1f %%, %s\n", kGoalCpuShare * 100,
                r.serverCpuShare * 100, verdict(r.ok && r.serverCpuShare <= kGoalCpuShare));
    std::printf("  server peak RSS <= %.0f MB: %.1f MB, %s\n", kGoalRssMb, r.peakRssMb,
                verdict(r.ok && r.peakRssMb <= kGoalRssMb));
}

}  // namespace
}  // namespace quorvex::bench

int main(int argc, char** argv) {
    using namespace quorvex::bench;
    QCoreApplication app(argc, argv);
    const int seconds = std::max(1, std::atoi(Option(argc, argv, "--seconds", "10").c_str()));
    const auto ks = NumberList(Option(argc, argv, "--k", "10,25,50,98"));
    if (ks.empty()) {
        std::fprintf(stderr, "usage: server_load [--seconds N] [--k 10,25,50,98]\n");
        return 2;
    }
    std::printf(
        "server_load: the server (session service + game rules, timers as its window has them)\n"
        "runs in a child process; K bots run on one event loop in this process, each with its\n"
        "own TCP connection over loopback. Latency: the server notes CLOCK_MONOTONIC just\n"
        "before each ball step (which builds and queues the BallUpdate) and reports the stamps\n"
        "after the run, keyed by the update's left/top/angle texts; each bot notes the same\n"
        "clock when its session handler is handed the update. The difference covers encoding,\n"
        "the server's writes, the kernel, and the bots' event loop (all K bots are served one\n"
        "after another, so the last bot of each tick waits for the others). Server CPU is\n"
        "getrusage(RUSAGE_SELF) in the server between the start and end of the measured\n"
        "stretch; peak RSS is VmHWM from /proc/<pid>/status.\n\n");
    std::vector<Result> results;
    for (const int k : ks) {
        results.push_back(RunOnce(k, seconds));
        Print(results.back());
        std::fflush(stdout);
    }
    for (const auto& r : results) {
        if (r.k == kGoalK) {
            PrintGoals(r);
        }
    }
    return 0;
}

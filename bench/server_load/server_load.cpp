// Load on a real server: the session service and the server's rules in a child process,
// K scripted players in this one, all seated, each reporting its paddle every 100 ms and
// answering BallUpdates with a bounce now and then. Prints, per K, the message rates, the
// writes per player, the BallUpdate and relay latencies, the server's CPU time and peak
// memory, and what the bots found missing or out of order; the K values of --uncoalesced are
// run a second time with every frame written as it is queued.
//
//   server_load [--seconds N] [--k 50,100,200] [--uncoalesced 50]

#include <sys/resource.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

#include "kit/child_process.h"
#include "kit/figures.h"
#include "kit/loop.h"
#include "kit/scripted_player.h"
#include "kit/server_report.h"

namespace quorvex::bench {

using namespace kit;
namespace {

constexpr int kJoiningTogether = 20;

struct Goals {
    double writesPerPeer = 110;   // at K = 50 and 200
    double cpuRatio = 1.0 / 3;    // coalesced over uncoalesced, at K = 50
    double cpuPercentAt200 = 25;  // of one core
    double ballP99At50Ms = 1.0;
    double ballP99At200Ms = 3.0;
    double relayP99At200Ms = 12.0;
    double rssAt200Mb = 60.0;
};

struct Result {
    int k = 0;
    bool coalesced = true;
    bool ok = false;
    double seconds = 0;
    double inPerSecond = 0;
    double bouncesPerSecond = 0;
    double outPerSecond = 0;
    double broadcastsPerSecond = 0;
    double writesPerPeerPerSecond = 0;
    Spread latencyMs;
    Spread ballOutMs;  // in the server: ball step -> its last BallUpdate handed to the kernel
    std::size_t unmatched = 0;
    Spread relayMs;     // in the server: paddle report in -> its last copy out
    Spread endToEndMs;  // a bot's Send -> the last bot's handler
    long missing = 0;
    long repeated = 0;
    long malformed = 0;
    double serverCpuShare = 0;  // CPU seconds per second of play
    double serverCpuTotal = 0;  // over its whole life, as wait4 counted it
    double peakRssMb = 0;
    double benchCpuShare = 0;
};

// From a paddle report's send to the handler of the last bot to get its copy, for the reports
// sent within the measured stretch that reached every bot.
std::vector<double> RelayLatencies(const PaddleLedger& ledger, std::int64_t from, std::int64_t to,
                                   int k) {
    std::vector<double> latencies;
    for (const auto& seat : ledger.reports) {
        for (const auto& report : seat) {
            if (report.sentNs >= from && report.sentNs < to && report.copies == k) {
                latencies.push_back(static_cast<double>(report.lastArrivalNs - report.sentNs) /
                                    1e6);
            }
        }
    }
    return latencies;
}

Result RunOnce(int k, int seconds, bool coalesced) {
    Result result;
    result.k = k;
    result.coalesced = coalesced;
    std::vector<std::string> arguments{"--players", std::to_string(k + 1)};
    if (!coalesced) {
        arguments.emplace_back("--uncoalesced");
    }
    ChildProcess server(QUORVEX_BENCH_SERVER, arguments);
    const auto portText = server.Answer("PORT ", 10000);
    if (!server.Running() || !portText) {
        std::fprintf(stderr, "K=%d: the bench server did not start\n", k);
        return result;
    }
    const auto port = static_cast<quint16>(std::stoi(*portText));

    PaddleLedger ledger(k);
    std::vector<std::unique_ptr<ScriptedPlayer>> bots;
    // Players arrive a group at a time, as people do: every join sends the whole roster and
    // seat table to everyone, and a crowd of bots on one event loop that all join in the same
    // instant reads those far slower than separate clients would.
    for (int i = 0; i < k; ++i) {
        bots.push_back(std::make_unique<ScriptedPlayer>(i, port, ledger));
        if ((i + 1) % kJoiningTogether == 0 &&
            !kit::RunUntil([&] { return bots.back()->Seated(); }, 30000)) {
            std::fprintf(stderr, "K=%d: bot %d did not get seated\n", k, i);
            return result;
        }
    }
    const auto allSeated = [&] {
        for (const auto& bot : bots) {
            if (!bot->SeatedAmong(static_cast<std::size_t>(k))) {
                return false;
            }
        }
        return true;
    };
    if (!kit::RunUntil(allSeated, 60000)) {
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
    kit::Pump(1500);  // the gate opens within a second; let the traffic settle

    rusage ownBefore{};
    getrusage(RUSAGE_SELF, &ownBefore);
    ScriptedPlayer::recording = true;
    server.Send("mark");
    const std::int64_t start = MonotonicNs();
    kit::Pump(seconds * 1000);
    server.Send("stop");
    const std::int64_t end = MonotonicNs();
    ScriptedPlayer::recording = false;
    const double elapsed = static_cast<double>(end - start) / 1e9;
    rusage ownAfter{};
    getrusage(RUSAGE_SELF, &ownAfter);
    result.peakRssMb = static_cast<double>(server.PeakRssKb().value_or(0)) / 1024.0;

    // The reports still in flight arrive before anyone counts what is missing.
    for (auto& bot : bots) {
        bot->StopPlaying();
    }
    kit::RunUntil(
        [&] {
            return std::all_of(bots.begin(), bots.end(),
                               [](const auto& bot) { return bot->CaughtUp(); });
        },
        20000);
    for (auto& bot : bots) {
        bot->CountMissing();
    }
    server.Send("quit");
    const ServerReport report = ReadServerReport(server);
    if (const auto usage = server.Wait(5000)) {
        result.serverCpuTotal = CpuSeconds(*usage);
    }
    for (auto& bot : bots) {
        bot->Close();
    }
    kit::Pump(200);

    long in = 0, bounces = 0, out = 0;
    for (const auto& bot : bots) {
        in += bot->sent;
        bounces += bot->bounces;
        out += bot->received;
    }
    auto latencies = BallLatencies(bots, report.stamps, result.unmatched);
    auto relays = RelayLatencies(ledger, start, end, k);
    result.seconds = elapsed;
    result.inPerSecond = static_cast<double>(in) / elapsed;
    result.bouncesPerSecond = static_cast<double>(bounces) / elapsed;
    result.outPerSecond = static_cast<double>(out) / elapsed;
    result.broadcastsPerSecond = static_cast<double>(report.sentToAll) / elapsed;
    result.writesPerPeerPerSecond = static_cast<double>(report.writes) / k / elapsed;
    result.serverCpuShare = report.cpuSeconds / elapsed;
    result.latencyMs = SpreadOf(latencies);
    result.endToEndMs = SpreadOf(relays);
    result.relayMs = report.relayMs;
    result.ballOutMs = report.ballOutMs;
    result.missing = ledger.missing;
    result.repeated = ledger.repeated;
    result.malformed = ledger.malformed;
    result.benchCpuShare = (CpuSeconds(ownAfter) - CpuSeconds(ownBefore)) / elapsed;
    result.ok = !latencies.empty() && !relays.empty() && report.relayMs.count > 0;
    return result;
}

void Print(const Result& r) {
    std::printf("K = %d, %s  (%.1f s measured)\n", r.k,
                r.coalesced ? "coalesced writes" : "UNCOALESCED: one write per frame", r.seconds);
    if (!r.ok) {
        std::printf("  no figures: the run failed\n\n");
        return;
    }
    std::printf("  messages in  (bots -> server): %9.0f /s  (of which BallEvent %.0f /s)\n",
                r.inPerSecond, r.bouncesPerSecond);
    std::printf("  messages out (server -> bots): %9.0f /s  (%.0f sends to all /s)\n",
                r.outPerSecond, r.broadcastsPerSecond);
    std::printf("  writes handed to the kernel: %.1f per player per s\n", r.writesPerPeerPerSecond);
    std::printf(
        "  BallUpdate latency, server tick -> bot handler: p50 %.3f ms, p99 %.3f ms, "
        "max %.3f ms  (%zu deliveries, %zu from before the mark)\n",
        r.latencyMs.p50, r.latencyMs.p99, r.latencyMs.max, r.latencyMs.count, r.unmatched);
    std::printf(
        "    of which in the server, tick -> last copy out: p50 %.3f ms, p99 %.3f ms, max "
        "%.3f ms\n",
        r.ballOutMs.p50, r.ballOutMs.p99, r.ballOutMs.max);
    std::printf(
        "  relay latency in the server, paddle report in -> last copy out: p50 %.3f ms, "
        "p99 %.3f ms, max %.3f ms  (%zu reports)\n",
        r.relayMs.p50, r.relayMs.p99, r.relayMs.max, r.relayMs.count);
    std::printf(
        "  relay end to end, a bot's Send -> the last bot's handler: p50 %.3f ms, p99 %.3f ms, "
        "max %.3f ms  (%zu reports)\n",
        r.endToEndMs.p50, r.endToEndMs.p99, r.endToEndMs.max, r.endToEndMs.count);
    std::printf("  paddle reports missing %ld, repeated or out of order %ld, unreadable %ld\n",
                r.missing, r.repeated, r.malformed);
    std::printf(
        "  server CPU: %.1f ms per s of play = %.1f %% of one core  (%.2f s over its "
        "whole life, start-up and joins included)\n",
        r.serverCpuShare * 1000, r.serverCpuShare * 100, r.serverCpuTotal);
    std::printf("  server peak RSS (VmHWM): %.1f MB\n", r.peakRssMb);
    std::printf("  bots' process CPU: %.1f %% of one core\n\n", r.benchCpuShare * 100);
}

const Result* Find(const std::vector<Result>& results, int k, bool coalesced) {
    for (const auto& r : results) {
        if (r.k == k && r.coalesced == coalesced && r.ok) {
            return &r;
        }
    }
    return nullptr;
}

// Met when the figure is at or below `limit`, in the figure's unit.
void Goal(const std::string& what, const Result* r, double (*value)(const Result&),
          const char* unit, double limit) {
    if (r == nullptr) {
        std::printf("  %s: not measured\n", what.c_str());
        return;
    }
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.3g %s", value(*r), unit);
    std::printf("  %s: %s, %s\n", what.c_str(), figure, Verdict(value(*r) <= limit));
}

void PrintGoals(const std::vector<Result>& results) {
    const Goals g;
    const Result* at50 = Find(results, 50, true);
    const Result* at200 = Find(results, 200, true);
    const Result* without50 = Find(results, 50, false);
    std::printf("Goals:\n");
    for (const auto& [k, r] : {std::pair{50, at50}, std::pair{200, at200}}) {
        Goal(
            "writes to the kernel <= 110 per player per s at K = " + std::to_string(k), r,
            [](const Result& x) { return x.writesPerPeerPerSecond; }, "/s", g.writesPerPeer);
    }
    if (at50 != nullptr && without50 != nullptr) {
        const double ratio = at50->serverCpuShare / without50->serverCpuShare;
        std::printf(
            "  server CPU at K = 50 coalesced <= 1/3 of uncoalesced: %.1f %% / %.1f %% = "
            "%.2f, %s\n",
            at50->serverCpuShare * 100, without50->serverCpuShare * 100, ratio,
            Verdict(ratio <= g.cpuRatio));
    } else {
        std::printf("  server CPU at K = 50 coalesced <= 1/3 of uncoalesced: not measured\n");
    }
    Goal(
        "server CPU at K = 200 <= 25 % of one core", at200,
        [](const Result& x) { return x.serverCpuShare * 100; }, "%", g.cpuPercentAt200);
    Goal(
        "BallUpdate p99 <= 1 ms at K = 50", at50, [](const Result& x) { return x.latencyMs.p99; },
        "ms", g.ballP99At50Ms);
    Goal(
        "BallUpdate p99 <= 3 ms at K = 200", at200, [](const Result& x) { return x.latencyMs.p99; },
        "ms", g.ballP99At200Ms);
    Goal(
        "relay p99 <= 12 ms at K = 200", at200, [](const Result& x) { return x.relayMs.p99; }, "ms",
        g.relayP99At200Ms);
    Goal(
        "server peak RSS <= 60 MB at K = 200", at200, [](const Result& x) { return x.peakRssMb; },
        "MB", g.rssAt200Mb);
    long wrong = 0;
    bool all = !results.empty();
    for (const auto& r : results) {
        wrong += r.missing + r.repeated + r.malformed;
        all = all && r.ok;
    }
    std::printf("  no paddle report lost, repeated or reordered, in every run: %ld wrong%s, %s\n",
                wrong, all ? "" : " (a run failed)", Verdict(wrong == 0 && all));
}

}  // namespace
}  // namespace quorvex::bench

int main(int argc, char** argv) {
    using namespace quorvex::bench;
    QCoreApplication app(argc, argv);
    const int seconds = std::max(1, std::atoi(Option(argc, argv, "--seconds", "10").c_str()));
    const auto ks = NumberList(Option(argc, argv, "--k", "50,100,200"));
    const auto uncoalesced = NumberList(Option(argc, argv, "--uncoalesced", "50"));
    if (ks.empty()) {
        std::fprintf(stderr,
                     "usage: server_load [--seconds N] [--k 50,100,200] "
                     "[--uncoalesced 50]\n");
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
        "after another, so the last bot of each tick waits for the others). Relay latency in\n"
        "the server runs from a paddle report's arrival to the hand-over of its last copy to\n"
        "the kernel; end to end, from a bot's Send to the handler of the last bot to get its\n"
        "copy. Each report carries a sequence number that every bot checks. Server CPU\n"
        "is getrusage(RUSAGE_SELF) in the server between the start and end of the measured\n"
        "stretch; writes are those the session hands to the kernel; peak RSS is VmHWM from\n"
        "/proc/<pid>/status.\n\n");
    std::vector<Result> results;
    for (const int k : ks) {
        results.push_back(RunOnce(k, seconds, true));
        Print(results.back());
        std::fflush(stdout);
        if (std::find(uncoalesced.begin(), uncoalesced.end(), k) != uncoalesced.end()) {
            results.push_back(RunOnce(k, seconds, false));
            Print(results.back());
            std::fflush(stdout);
        }
    }
    PrintGoals(results);
    // A run that could not finish has said why; the exit status says it too.
    return std::all_of(results.begin(), results.end(), [](const Result& r) { return r.ok; }) ? 0
                                                                                             : 1;
}

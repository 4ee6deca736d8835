// Watchers beside players. The bench server (session and rules, with the watch page on) runs in
// a child process; 12 scripted players play in this one, once without watchers and once with 64
// scripted WebSocket watchers reading the stream. Prints the server's CPU, the BallUpdate p99 at
// the players in both runs, and the bytes each watcher received per second; then writes rounds
// of 200 players to a standings file and times each.
//
//   watchers [--seconds N] [--players 12] [--watchers 64] [--rounds 50]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

#include "kit/child_process.h"
#include "kit/figures.h"
#include "kit/line_reader.h"
#include "kit/loop.h"
#include "kit/scripted_player.h"
#include "kit/server_report.h"
#include "server/stats/standings_store.h"

namespace quorvex::bench {

using namespace kit;
namespace {

struct Run {
    bool ok = false;
    double seconds = 0;
    double serverCpuShare = 0;
    Spread ballMs;        // server tick -> player's handler
    Spread ballServerMs;  // in the server: tick -> its last BallUpdate handed to the kernel
    double bytesPerWatcherPerSecond = 0;
    int watchersOpen = 0;
};

Run RunOnce(const std::string& self, int players, int watchers, int seconds) {
    Run run;
    ChildProcess server(QUORVEX_BENCH_SERVER, {"--players", std::to_string(players + 1), "--web"});
    const auto web = server.Answer("WEB ", 10000);
    const auto port = server.Answer("PORT ", 10000);
    if (!web || !port) {
        std::fprintf(stderr, "the bench server did not start with its watch page\n");
        return run;
    }
    // The watchers read in a process of their own, so that their frames never queue in front
    // of the players' handlers here.
    std::unique_ptr<ChildProcess> watching;
    if (watchers > 0) {
        watching = std::make_unique<ChildProcess>(
            self,
            std::vector<std::string>{"--watch-only", *web, "--count", std::to_string(watchers)});
        run.watchersOpen = std::stoi(watching->Answer("OPEN ", 20000).value_or("0"));
    }
    PaddleLedger ledger(players);
    std::vector<std::unique_ptr<ScriptedPlayer>> bots;
    for (int i = 0; i < players; ++i) {
        bots.push_back(
            std::make_unique<ScriptedPlayer>(i, static_cast<quint16>(std::stoi(*port)), ledger));
    }
    if (!RunUntil(
            [&] {
                return std::all_of(bots.begin(), bots.end(), [&](const auto& b) {
                    return b->SeatedAmong(static_cast<std::size_t>(players));
                });
            },
            30000)) {
        std::fprintf(stderr, "not every player got seated\n");
        return run;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> phase(0, 99);
    for (auto& bot : bots) {
        bot->StartPlaying(phase(random));
    }
    Pump(1500);
    ScriptedPlayer::recording = true;
    if (watching) {
        watching->Send("mark");
    }
    server.Send("mark");
    const std::int64_t start = MonotonicNs();
    Pump(seconds * 1000);
    server.Send("stop");
    const std::int64_t end = MonotonicNs();
    std::int64_t bytes = 0;
    if (watching) {
        watching->Send("stop");
        bytes = std::stoll(watching->Answer("BYTES ", 10000).value_or("0"));
    }
    ScriptedPlayer::recording = false;
    run.seconds = static_cast<double>(end - start) / 1e9;
    for (auto& bot : bots) {
        bot->StopPlaying();
    }
    server.Send("quit");
    const ServerReport report = ReadServerReport(server);
    run.ballServerMs = report.ballOutMs;
    run.serverCpuShare = report.cpuSeconds / run.seconds;
    server.Wait(5000);
    std::size_t unmatched = 0;
    auto latencies = BallLatencies(bots, report.stamps, unmatched);
    for (const auto& bot : bots) {
        bot->Close();
    }
    Pump(200);
    run.ballMs = SpreadOf(latencies);
    run.bytesPerWatcherPerSecond =
        watchers > 0 ? static_cast<double>(bytes) / watchers / run.seconds : 0;
    run.ok = !latencies.empty();
    return run;
}

void Print(const char* title, const Run& r) {
    std::printf("%s  (%.1f s measured)\n", title, r.seconds);
    if (!r.ok) {
        std::printf("  no figures: the run failed\n\n");
        return;
    }
    std::printf(
        "  BallUpdate, server tick -> player handler: p50 %.3f ms, p99 %.3f ms, max %.3f ms "
        "(%zu)\n",
        r.ballMs.p50, r.ballMs.p99, r.ballMs.max, r.ballMs.count);
    std::printf(
        "    of which in the server, tick -> last copy out: p50 %.3f ms, p99 %.3f ms, max %.3f "
        "ms\n",
        r.ballServerMs.p50, r.ballServerMs.p99, r.ballServerMs.max);
    std::printf("  server CPU: %.1f %% of one core\n", r.serverCpuShare * 100);
    if (r.watchersOpen > 0) {
        std::printf("  watchers connected: %d; received %.0f bytes per watcher per s\n",
                    r.watchersOpen, r.bytesPerWatcherPerSecond);
    }
    std::printf("\n");
}

// The watchers' own process: `count` WebSocket watchers of the stream on `port`. Writes
// "OPEN <n>" once all are connected (or 10 s have passed), counts the bytes received between
// "mark" and "stop" and then writes "BYTES <n>".
int WatchOnly(const std::string& port, int count) {
    // Plain sockets that upgrade by hand and only count what arrives: a browser's work of
    // decoding the frames is not the server's, and kept out of the machine's load here.
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    std::int64_t bytes = 0;
    bool counting = false;
    int upgraded = 0;
    const QByteArray request =
        "GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = socket.get();
        QObject::connect(raw, &QTcpSocket::connected, [raw, &request] { raw->write(request); });
        QObject::connect(raw, &QTcpSocket::readyRead, [raw, &bytes, &counting, &upgraded] {
            const QByteArray data = raw->readAll();
            if (data.startsWith("HTTP/1.1 101")) {
                ++upgraded;
            } else if (counting) {
                bytes += data.size();
            }
        });
        raw->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(std::stoi(port)));
        sockets.push_back(std::move(socket));
    }
    const auto open = [&] { return upgraded; };
    RunUntil([&] { return open() == count; }, 10000);
    std::printf("OPEN %d\n", open());
    std::fflush(stdout);
    const auto commands = OnStdinLines([&](const std::string& line) {
        if (line == "mark") {
            counting = true;
        } else if (line == "stop") {
            counting = false;
            std::printf("BYTES %lld\n", static_cast<long long>(bytes));
            std::fflush(stdout);
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}

// Each round one transaction, synced, as the server writes it when a round ends.
Spread RoundWrites(int players, int rounds) {
    QTemporaryDir folder;
    server::stats::StandingsStore store;
    std::vector<double> ms;
    if (store.Open(folder.filePath(QStringLiteral("standings.sqlite")).toStdString())) {
        return {};
    }
    server::stats::RoundResult round{0, "survivor", "3", {}};
    for (int i = 0; i < players; ++i) {
        round.players.push_back({"Player " + std::to_string(i), i % 2, i % 5});
    }
    for (int r = 0; r < rounds; ++r) {
        round.endedAtMs = r;
        const std::int64_t start = MonotonicNs();
        if (store.Record(round)) {
            return {};
        }
        ms.push_back(static_cast<double>(MonotonicNs() - start) / 1e6);
    }
    return SpreadOf(ms);
}

}  // namespace
}  // namespace quorvex::bench

int main(int argc, char** argv) {
    using namespace quorvex::bench;
    QCoreApplication app(argc, argv);
    if (const std::string port = Option(argc, argv, "--watch-only", ""); !port.empty()) {
        return WatchOnly(port, std::atoi(Option(argc, argv, "--count", "64").c_str()));
    }
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const int seconds = std::max(1, std::atoi(Option(argc, argv, "--seconds", "10").c_str()));
    const int players = std::max(1, std::atoi(Option(argc, argv, "--players", "12").c_str()));
    const int watchers = std::max(1, std::atoi(Option(argc, argv, "--watchers", "64").c_str()));
    const int rounds = std::max(1, std::atoi(Option(argc, argv, "--rounds", "50").c_str()));
    std::printf(
        "watchers: the bench server with its watch page on runs in a child process; %d players\n"
        "play from this one over loopback, first alone, then beside %d WebSocket watchers that\n"
        "read every frame (10 a second). BallUpdate latency as server_load takes it (the\n"
        "server's CLOCK_MONOTONIC before each ball step to each player's handler); server CPU\n"
        "is getrusage in the server over the measured stretch.\n\n",
        players, watchers);
    const Run quiet = RunOnce(self, players, 0, seconds);
    Print("without watchers", quiet);
    const Run watched = RunOnce(self, players, watchers, seconds);
    Print("with watchers", watched);
    const Spread writes = RoundWrites(200, rounds);
    std::printf(
        "a round of 200 players written to the standings (WAL, synced): p50 %.3f ms, "
        "p99 %.3f ms, max %.3f ms (%zu rounds)\n\n",
        writes.p50, writes.p99, writes.max, writes.count);
    std::printf("Goals:\n");
    const bool both = quiet.ok && watched.ok;
    std::printf(
        "  BallUpdate p99 with %d watchers within 1 ms of without: %.3f ms vs %.3f ms, %s\n",
        watchers, watched.ballMs.p99, quiet.ballMs.p99,
        Verdict(both && watched.ballMs.p99 <= quiet.ballMs.p99 + 1.0));
    std::printf(
        "  in the server, tick -> last copy out, p99 with watchers within 1 ms of without: %.3f ms "
        "vs %.3f ms, %s\n",
        watched.ballServerMs.p99, quiet.ballServerMs.p99,
        Verdict(both && watched.ballServerMs.p99 <= quiet.ballServerMs.p99 + 1.0));
    std::printf("  every watcher connected: %d of %d, %s\n", watched.watchersOpen, watchers,
                Verdict(watched.watchersOpen == watchers));
    std::printf("  server CPU added by the watchers: %.1f %% of one core (figure only)\n",
                (watched.serverCpuShare - quiet.serverCpuShare) * 100);
    std::printf("  a round of 200 players written in <= 5 ms (max): %.3f ms, %s\n", writes.max,
                Verdict(writes.count > 0 && writes.max <= 5.0));
    return both ? 0 : 1;
}

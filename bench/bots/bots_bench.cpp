// Computer players, measured. Three parts:
//  1. Four computer players of one skill, Points with limit 3, on one loop with a virtual
//     clock: rounds per minute, misses per minute per seat, share of own-side crossings saved.
//  2. A mixed game, skills 1, 5, 1, 5: who loses the rounds.
//  3. Cost: the computer player's rules against a person's client state fed the same messages
//     (ns per message), then K computer players as processes against a server process: their
//     CPU against a windowless person's client in the same game, and the server's ball cadence.
// Usage: bots_bench [--minutes M] [--k K] [--seconds S]

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/bots/virtual_game.h"
#include "kit/child_process.h"
#include "kit/figures.h"

namespace {

using quorvex::bench::VirtualGame;
using quorvex::kit::ChildProcess;
using quorvex::kit::PrintGoal;
using quorvex::kit::Verdict;

double ShareSaved(long saved, long missed) {
    return saved + missed > 0
               ? 100.0 * static_cast<double>(saved) / static_cast<double>(saved + missed)
               : 0.0;
}

void SkillTable(int minutes) {
    std::printf("== Four computer players of one skill, Points, limit 3, %d virtual minutes ==\n",
                minutes);
    std::printf("skill  rounds/min  misses/min/seat  saved %%  (seat 0, 1, 2, 3)\n");
    std::vector<double> saved(6, 0);
    for (int skill = 1; skill <= 5; ++skill) {
        VirtualGame game({skill, skill, skill, skill}, 3, 1000u + static_cast<unsigned>(skill));
        game.Run(std::int64_t{minutes} * 60'000);
        long s = 0;
        long m = 0;
        for (const auto& seat : game.Seats()) {
            s += seat.saved;
            m += seat.missed;
        }
        saved[skill] = ShareSaved(s, m);
        std::printf("%5d  %10.2f  %15.2f  %7.1f ", skill,
                    static_cast<double>(game.Rounds()) / minutes,
                    static_cast<double>(m) / 4.0 / minutes, saved[skill]);
        for (const auto& seat : game.Seats()) {
            std::printf(" %5.1f", ShareSaved(seat.saved, seat.missed));
        }
        std::printf("\n");
    }
    bool rising = true;
    for (int skill = 2; skill <= 5; ++skill) {
        rising = rising && saved[skill] > saved[skill - 1];
    }
    PrintGoal("skill 5 saves at least 90 % of its crossings", saved[5] >= 90);
    PrintGoal("each skill saves a larger share than the one below", rising);
}

void MixedGame(int minutes) {
    std::printf("\n== Mixed: skills 1, 5, 1, 5, Points, limit 3, %d virtual minutes ==\n", minutes);
    VirtualGame game({1, 5, 1, 5}, 3, 77u);
    game.Run(std::int64_t{minutes} * 60'000);
    long lostBy1 = 0;
    long lostBy5 = 0;
    for (const auto& seat : game.Seats()) {
        (seat.skill == 1 ? lostBy1 : lostBy5) += seat.roundsLost;
        std::printf("seat skill %d: saved %.1f %%, rounds lost %ld\n", seat.skill,
                    ShareSaved(seat.saved, seat.missed), seat.roundsLost);
    }
    const long rounds = game.Rounds();
    const double share =
        rounds ? 100.0 * static_cast<double>(lostBy1) / static_cast<double>(rounds) : 0;
    std::printf("rounds %ld: lost by a skill-1 seat %ld (%.1f %%), by a skill-5 seat %ld\n", rounds,
                lostBy1, share, lostBy5);
    std::printf("goal: skill 1 loses most rounds against skill 5 (over 80 %%): %s\n",
                Verdict(share > 80));
}

void RulesCost() {
    std::printf("\n== Cost of the rules, per message handled (seat 0 of four, skill 3) ==\n");
    VirtualGame game({3, 3, 3, 3}, 3, 5u);
    game.Run(10 * 60'000);
    const double player = game.PlayerNsPerMessage();
    const double person = game.PersonNsPerMessage();
    std::printf("computer player %.0f ns, person's client state %.0f ns, ratio %.2f\n", player,
                person, person > 0 ? player / person : 0);
}

// False when the processes could not be measured (said on standard output).
bool Processes(int k, int seconds) {
    std::printf(
        "\n== %d computer players and one windowless person's client as processes, "
        "%d s ==\n",
        k, seconds);
    const std::string dir = quorvex::kit::OwnDirectory();
    ChildProcess server(QUORVEX_BENCH_SERVER, {"--players", "64"});
    const auto portText = server.Answer("PORT ", 10000);
    if (!server.Running() || !portText) {
        std::printf("the server did not start\n");
        return false;
    }
    std::vector<std::unique_ptr<ChildProcess>> bots;
    for (int i = 0; i < k; ++i) {
        bots.push_back(std::make_unique<ChildProcess>(
            QUORVEX_CLIENT, std::vector<std::string>{"--bot", "--port", *portText, "--name",
                                                     "CPU " + std::to_string(i + 1), "--skill",
                                                     std::to_string(1 + i % 5)}));
    }
    ChildProcess person(dir + "/bots_windowless_client", {*portText, "Person"});
    bool seated = false;
    for (int attempt = 0; attempt < 100 && !seated; ++attempt) {
        usleep(200'000);
        server.Send("seats");
        const auto count = server.Answer("SEATS ", 5000);
        seated = count && std::stoi(*count) == k + 1;
    }
    if (!seated) {
        std::printf("not everyone was seated\n");
        return false;
    }
    usleep(1'000'000);
    std::vector<double> before;
    for (const auto& b : bots) {
        before.push_back(b->CpuSeconds().value_or(0));
    }
    const double personBefore = person.CpuSeconds().value_or(0);
    const auto start = quorvex::kit::MonotonicNs();
    server.Send("mark");
    usleep(static_cast<useconds_t>(seconds) * 1'000'000);
    const double wall = static_cast<double>(quorvex::kit::MonotonicNs() - start) / 1e9;
    std::vector<double> botCpu;
    for (std::size_t i = 0; i < bots.size(); ++i) {
        botCpu.push_back(100.0 * (bots[i]->CpuSeconds().value_or(0) - before[i]) / wall);
    }
    const double personCpu = 100.0 * (person.CpuSeconds().value_or(0) - personBefore) / wall;
    server.Send("quit");
    std::vector<double> intervals;
    std::int64_t last = 0;
    for (auto line = server.ReadLine(10000); line && *line != "END";
         line = server.ReadLine(10000)) {
        if (line->rfind("STAMP ", 0) == 0) {
            const std::int64_t t = std::stoll(line->substr(6));
            if (last) {
                intervals.push_back(static_cast<double>(t - last) / 1e6);
            }
            last = t;
        }
    }
    for (auto& b : bots) {
        kill(b->Pid(), SIGTERM);
    }
    kill(person.Pid(), SIGTERM);
    const auto botSpread = quorvex::kit::SpreadOf(botCpu);
    double botMean = 0;
    for (const double c : botCpu) {
        botMean += c / static_cast<double>(botCpu.size());
    }
    std::printf("CPU per computer player: mean %.2f %%, p50 %.2f %%, max %.2f %% of a core\n",
                botMean, botSpread.p50, botSpread.max);
    std::printf("CPU of the windowless person's client: %.2f %% of a core\n", personCpu);
    const auto spread = quorvex::kit::SpreadOf(intervals);
    std::printf("server ball ticks: %zu, interval p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                spread.count, spread.p50, spread.p99, spread.max);
    std::printf(
        "goal: a computer player takes no more CPU than the windowless person's client "
        "(within 0.5 %% of a core): %s\n",
        Verdict(botMean <= personCpu + 0.5));
    std::printf(
        "goal: with %d computer players the ball keeps its cadence (p99 interval <= 120 "
        "ms, %.0f ticks expected): %s\n",
        k, static_cast<double>(seconds) * 10,
        Verdict(spread.count + 5 >= static_cast<std::size_t>(seconds) * 10 && spread.p99 <= 120));
    for (auto& b : bots) {
        b->Wait(3000);
    }
    person.Wait(3000);
    server.Wait(3000);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = std::stoi(quorvex::kit::Option(argc, argv, "--minutes", "10"));
    const int k = std::stoi(quorvex::kit::Option(argc, argv, "--k", "20"));
    const int seconds = std::stoi(quorvex::kit::Option(argc, argv, "--seconds", "20"));
    SkillTable(minutes);
    MixedGame(minutes * 2);
    RulesCost();
    return Processes(k, seconds) ? 0 : 1;
}

#include "kit/server_report.h"

#include <sstream>

namespace quorvex::kit {

ServerReport ReadServerReport(ChildProcess& server) {
    ServerReport report;
    while (auto line = server.ReadLine(10000)) {
        if (*line == "END") {
            break;
        }
        std::istringstream in(*line);
        std::string word;
        in >> word;
        if (word == "STAMP") {
            long long ns = 0;
            std::string left, top, angle;
            in >> ns >> left >> top >> angle;
            report.stamps[left + ' ' + top + ' ' + angle].push_back(ns);
        } else if (word == "CPU") {
            long u0 = 0, s0 = 0, u1 = 0, s1 = 0;
            in >> u0 >> s0 >> u1 >> s1;
            report.cpuSeconds = static_cast<double>((u1 + s1) - (u0 + s0)) / 1e6;
        } else if (word == "SENT") {
            in >> report.sentToAll;
        } else if (word == "WRITES") {
            in >> report.writes;
        } else if (word == "RELAY" || word == "BALL") {
            Spread& spread = word == "RELAY" ? report.relayMs : report.ballOutMs;
            in >> spread.count >> spread.p50 >> spread.p99 >> spread.max;
        }
    }
    return report;
}

std::vector<double> BallLatencies(const std::vector<std::unique_ptr<ScriptedPlayer>>& players,
                                  const BallStamps& stamps, std::size_t& unmatched) {
    std::vector<double> latencies;
    for (const auto& player : players) {
        for (const auto& arrival : player->arrivals) {
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
                ++unmatched;
                continue;
            }
            latencies.push_back(static_cast<double>(arrival.ns - best) / 1e6);
        }
    }
    return latencies;
}

}  // namespace quorvex::kit

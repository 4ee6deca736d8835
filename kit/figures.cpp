#include "kit/figures.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace quorvex::kit {

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Spread SpreadOf(std::vector<double>& samples) {
    Spread spread;
    spread.count = samples.size();
    if (samples.empty()) {
        return spread;
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = [&samples](double fraction) {
        const auto n = static_cast<double>(samples.size());
        const auto index = static_cast<std::size_t>(std::ceil(fraction * n));
        return samples[std::min(samples.size() - 1, index == 0 ? 0 : index - 1)];
    };
    spread.p50 = rank(0.50);
    spread.p99 = rank(0.99);
    spread.max = samples.back();
    return spread;
}

std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return argv[i + 1];
        }
    }
    return fallback;
}

bool Flag(int argc, char** argv, const std::string& name) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == name) {
            return true;
        }
    }
    return false;
}

std::vector<int> NumberList(const std::string& text) {
    std::vector<int> numbers;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        try {
            std::size_t used = 0;
            const int n = std::stoi(item, &used);
            if (used != item.size() || n <= 0) {
                return {};
            }
            numbers.push_back(n);
        } catch (const std::exception&) {
            return {};
        }
    }
    return numbers;
}

const char* Verdict(bool met) {
    return met ? "met" : "NOT met";
}

bool PrintGoal(const std::string& what, bool met) {
    std::printf("goal: %s: %s\n", what.c_str(), Verdict(met));
    return met;
}

}  // namespace quorvex::kit

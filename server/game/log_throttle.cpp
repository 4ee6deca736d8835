#include "server/game/log_throttle.h"

#include <algorithm>
#include <cctype>

namespace quorvex::server {
namespace {

constexpr char kOtherCauses[] = "other";
constexpr int kCauseWords = 4;

bool Letter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

bool LogThrottle::Admit(const std::string& cause, std::int64_t nowMs) {
    Cause& state = Find(cause);
    if (state.budget.Spend(nowMs)) {
        return true;
    }
    ++state.held;
    return false;
}

std::vector<LogThrottle::Summary> LogThrottle::DueSummaries(std::int64_t nowMs) {
    std::vector<Summary> due;
    for (auto& [cause, state] : causes_) {
        if (state.held > 0 && state.budget.Spend(nowMs)) {
            due.push_back({cause, state.held});
            state.held = 0;
        }
    }
    return due;
}

bool LogThrottle::Holding() const {
    return std::any_of(causes_.begin(), causes_.end(),
                       [](const auto& entry) { return entry.second.held > 0; });
}

LogThrottle::Cause& LogThrottle::Find(const std::string& cause) {
    if (const auto found = causes_.find(cause); found != causes_.end()) {
        return found->second;
    }
    if (causes_.size() + 1 >= kMaxCauses) {
        return causes_[kOtherCauses];
    }
    return causes_[cause];
}

std::string LineCause(std::string_view text) {
    std::string cause;
    int words = 0;
    std::size_t at = 0;
    while (words < kCauseWords && at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, end - at);
        if (word.empty() || !std::all_of(word.begin(), word.end(), Letter)) {
            break;
        }
        cause += (words == 0 ? "" : " ") + std::string(word);
        ++words;
        at = end + 1;
    }
    return cause;
}

}  // namespace quorvex::server

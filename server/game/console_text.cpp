#include "server/game/console_text.h"

#include <cstdio>

namespace quorvex::server {

std::string FormatUptime(std::int64_t elapsedSeconds) {
    constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
    const std::int64_t seconds = elapsedSeconds % kSecondsPerDay;
    char text[32];
    std::snprintf(text, sizeof text, "Uptime: %02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::string HostAddressBoxText(const std::string& box) {
    // A failed selection leaves nothing selected.
    const auto first = box.find(';');
    if (first == std::string::npos) {
        return "IP / ";
    }
    const auto second = box.find(';', first + 1);
    if (second == std::string::npos) {
        return "IP / ";
    }
    return "IP / " + box.substr(first + 1, second - first - 1);
}

}  // namespace quorvex::server

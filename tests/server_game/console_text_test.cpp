#include <gtest/gtest.h>

#include "server/game/console_text.h"

namespace quorvex::server {
namespace {

// The uptime clock starts again after each full day; the host
// box shows the part between the first two ";", and only "IP / " when there are fewer.
TEST(ConsoleText, UptimeWithinTheDayAndHostBetweenTheFirstTwoSemicolons) {
    for (const auto& [seconds, clock] : std::vector<std::pair<std::int64_t, std::string>>{
             {1, "00:00:01"}, {86399, "23:59:59"}, {25 * 3600, "01:00:00"}}) {
        EXPECT_EQ(FormatUptime(seconds), "Uptime: " + clock) << seconds;
    }
    for (const auto& [url, text] : std::vector<std::pair<std::string, std::string>>{
             {"a;b;c", "IP / b"}, {";x;", "IP / x"}, {"a;b", "IP / "}}) {
        EXPECT_EQ(HostAddressBoxText(url), text) << url;
    }
}

}  // namespace
}  // namespace quorvex::server

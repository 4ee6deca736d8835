#include <gtest/gtest.h>

#include "server/game/console_text.h"

namespace quorvex::server {
namespace {

TEST(Uptime, HoursMinutesSecondsWithinTheDay) {
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {0, "00:00:00"},     {1, "00:00:01"},         {59, "00:00:59"},
        {61, "00:01:01"},    {3661, "01:01:01"},      {86399, "23:59:59"},
        {86400, "00:00:00"}, {25 * 3600, "01:00:00"}, {-5, "00:00:00"},
    };
    for (const auto& [seconds, clock] : cases) {
        EXPECT_EQ(FormatUptime(seconds), "Uptime: " + clock) << seconds;
    }
}

TEST(HostAddress, ShowsThePartBetweenTheFirstTwoSemicolons) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"a;b;c", "IP / b"},
        {"x-directplay:/provider=TCPIP;hostname=10.0.0.5;port=4000", "IP / hostname=10.0.0.5"},
        {";x;", "IP / x"},
        {"a;;c", "IP / "},
        {"a;b", "IP / "},
        {"abc", "IP / "},
        {"", "IP / "},
        {std::nullopt, "IP / "},
    };
    for (const auto& [url, text] : cases) {
        EXPECT_EQ(HostAddressBoxText(url), text) << url.value_or("(none)");
    }
}

}  // namespace
}  // namespace quorvex::server

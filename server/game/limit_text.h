#pragma once

#include <string_view>

namespace quorvex::server {

// Shown when the operator leaves the miss limit box with anything but one or two digits.
inline constexpr std::string_view kLimitWarning = "Only numbers ranging from 0-99 ar allowed";

// The miss limit box takes exactly one or two decimal digits ("05" too); nothing else, not
// even a blank.
bool ValidLimitText(std::string_view text);

}  // namespace quorvex::server

#pragma once

// Just enough JSON writing for the watch page's frames and the standings: strings escaped for a
// browser, whatever bytes a player's name holds.

#include <string>
#include <string_view>

namespace quorvex::server::watch {

// `text` as a JSON string literal, quotes included: bytes that are not well-formed UTF-8 become
// U+FFFD, and "<" is escaped so that no text can end a script block it is pasted into.
std::string JsonString(std::string_view text);

// A number as JSON has it: a value that is not finite becomes null.
std::string JsonNumber(double value);

}  // namespace quorvex::server::watch

#pragma once

// UTF-8 as the wire's Strings carry it: what is well-formed, and making anything so.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex::client {

// Appends `in` to `out` as valid UTF-8, each byte that starts no well-formed sequence becoming
// U+FFFD, and returns the number of code points appended.
std::size_t AppendUtf8(std::string& out, std::string_view in);

// Whether `text` is well-formed UTF-8 throughout.
bool IsUtf8(std::string_view text);

}  // namespace quorvex::client

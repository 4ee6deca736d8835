#pragma once

// UTF-8 as the wire's Strings carry it: what is well-formed, and making anything so.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex {

// The length of the well-formed UTF-8 sequence that `in` starts with, and its character in
// `code`; 0 when the first byte starts none (a stray continuation byte, an overlong form, a
// surrogate, a value past U+10FFFF, a sequence cut short, or nothing at all).
std::size_t DecodeUtf8(std::string_view in, char32_t& code);

// Appends `in` to `out` as valid UTF-8, each byte that starts no well-formed sequence becoming
// U+FFFD, and returns the number of code points appended.
std::size_t AppendUtf8(std::string& out, std::string_view in);

// Whether `text` is well-formed UTF-8 throughout.
bool IsUtf8(std::string_view text);

}  // namespace quorvex

#include "client/state/utf8.h"

namespace quorvex::client {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at the start of `in`, 0 when it is not one
// (stray continuation bytes, overlong forms, surrogates, values past U+10FFFF, cut short).
std::size_t SequenceLength(std::string_view in) {
    const auto b0 = static_cast<unsigned char>(in[0]);
    if (b0 < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // bounds of the second byte, which rule out the bad forms
    unsigned char high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (in.size() < length) {
        return 0;
    }
    const auto b1 = static_cast<unsigned char>(in[1]);
    if (b1 < low || b1 > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(in[i]))) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::size_t AppendUtf8(std::string& out, std::string_view in) {
    std::size_t codePoints = 0;
    while (!in.empty()) {
        const std::size_t length = SequenceLength(in);
        if (length == 0) {
            out.append(kReplacement);
            in.remove_prefix(1);
        } else {
            out.append(in.substr(0, length));
            in.remove_prefix(length);
        }
        ++codePoints;
    }
    return codePoints;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace quorvex::client

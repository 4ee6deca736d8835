#include "protocol/utf8.h"

namespace quorvex {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

std::size_t DecodeUtf8(std::string_view in, char32_t& code) {
    if (in.empty()) {
        return 0;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // bounds of the second byte, which rule out the bad forms
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (in.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    code = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if (i > 1 && !IsContinuation(byte(i))) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    return length;
}

std::size_t AppendUtf8(std::string& out, std::string_view in) {
    std::size_t codePoints = 0;
    while (!in.empty()) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(in, code);
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
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, code);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace quorvex

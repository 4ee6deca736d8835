#include "server/watch/json_text.h"

#include <cmath>
#include <cstdio>

#include "protocol/utf8.h"

namespace quorvex::server::watch {

std::string JsonString(std::string_view text) {
    std::string clean;
    AppendUtf8(clean, text);
    std::string out = "\"";
    for (const char c : clean) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || c == '<') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace quorvex::server::watch

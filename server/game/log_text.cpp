#include "server/game/log_text.h"

#include "protocol/utf8.h"

#include <cstdint>
#include <cstdio>

namespace quorvex::server {
namespace {

// Characters that are well-formed but act on the terminal rather than show: the C1 controls
// (U+009B alone starts an escape sequence on some terminals), the bidirectional marks,
// overrides and isolates that reorder what follows, and the line and paragraph separators.
bool Hidden(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

void AppendHex(std::string& out, const char* format, unsigned value) {
    char escaped[12];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

std::string Escaped(std::string_view text, bool quoting) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text.substr(at), code);
        if (length == 0 || code < 0x20 || code == 0x7F) {
            AppendHex(out, "\\x%02X", static_cast<std::uint8_t>(text[at]));
            ++at;
            continue;
        }
        if (Hidden(code)) {
            AppendHex(out, "\\u%04X", static_cast<unsigned>(code));
        } else {
            if (quoting && (code == '"' || code == '\\')) {
                out += '\\';
            }
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

}  // namespace

std::string LogSafe(std::string_view text) {
    return Escaped(text, false);
}

std::string LogQuoted(std::string_view text) {
    return "\"" + Escaped(text, true) + "\"";
}

std::string LogPlayer(const std::string& id, std::string_view name) {
    return id + " " + LogQuoted(name);
}

std::string ListWithinLine(std::string head, const std::vector<std::string>& items,
                           std::string_view separator) {
    std::size_t shown = 0;
    for (const auto& item : items) {
        const std::size_t grown = head.size() + (shown == 0 ? 0 : separator.size()) + item.size();
        if (shown > 0 && grown > kScreenLineChars) {
            break;
        }
        if (shown > 0) {
            head += separator;
        }
        head += item;
        ++shown;
    }
    if (shown < items.size()) {
        head +=
            std::string(separator) + "... and " + std::to_string(items.size() - shown) + " more";
    }
    return head;
}

}  // namespace quorvex::server

#include "protocol/session/watch/http_request.h"

#include <algorithm>
#include <cctype>

namespace quorvex::session::watch {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A header name is an HTTP token; anything else (a space before the colon, a control byte)
// is how request smuggling starts, so it is refused rather than guessed at.
bool IsToken(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](unsigned char c) {
        return std::isalnum(c) || std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) !=
                                      std::string_view::npos;
    });
}

bool HasControlBytes(std::string_view text) {
    return std::ranges::any_of(text, [](unsigned char c) { return c < 0x20 && c != '\t'; });
}

HttpParse ParseRequestLine(std::string_view line, HttpRequest& request) {
    const auto firstSpace = line.find(' ');
    const auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace) {
        return HttpRefusal{400, "malformed request line"};
    }
    request.method = std::string(line.substr(0, firstSpace));
    const std::string_view target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = line.substr(lastSpace + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        return HttpRefusal{505, "only HTTP/1.0 and HTTP/1.1 are spoken here"};
    }
    if (target.empty() || target.front() != '/' || HasControlBytes(target) ||
        target.find(' ') != std::string_view::npos) {
        return HttpRefusal{400, "the target must be a path"};
    }
    request.path = std::string(target.substr(0, target.find('?')));
    return request;
}

}  // namespace

std::string HttpRequest::Header(const std::string& lowerName) const {
    const auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
}

HttpParse ParseRequestHead(std::string_view bytes, std::size_t maxBytes, std::size_t maxHeaders) {
    const auto end = bytes.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        if (bytes.size() >= maxBytes) {
            return HttpRefusal{431, "request head too large"};
        }
        return HttpIncomplete{};
    }
    if (end + 4 > maxBytes) {
        return HttpRefusal{431, "request head too large"};
    }
    std::string_view head = bytes.substr(0, end + 2);
    HttpRequest request;
    const auto lineEnd = head.find("\r\n");
    if (auto parsed = ParseRequestLine(head.substr(0, lineEnd), request);
        std::holds_alternative<HttpRefusal>(parsed)) {
        return parsed;
    }
    head.remove_prefix(lineEnd + 2);
    std::size_t count = 0;
    while (!head.empty()) {
        const auto next = head.find("\r\n");
        const std::string_view line = head.substr(0, next);
        head.remove_prefix(next + 2);
        const auto colon = line.find(':');
        if (++count > maxHeaders) {
            return HttpRefusal{431, "too many header lines"};
        }
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)) ||
            HasControlBytes(line)) {
            return HttpRefusal{400, "malformed header line"};
        }
        request.headers[Lower(line.substr(0, colon))] =
            std::string(Trimmed(line.substr(colon + 1)));
    }
    return request;
}

bool OriginMatchesHost(const HttpRequest& request) {
    const auto origin = request.headers.find("origin");
    if (origin == request.headers.end()) {
        return true;
    }
    const std::string host = Lower(request.Header("host"));
    const std::string value = Lower(origin->second);
    return !host.empty() && (value == "http://" + host || value == "https://" + host);
}

}  // namespace quorvex::session::watch

#pragma once

// The head of an HTTP/1.1 request as a watcher's browser sends it: the request line and the
// headers, nothing after. Plain C++, so that every hostile head can be tried without a socket.
// The head is read whole before any of it is believed; a head over the size bound is refused
// before it is complete.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace quorvex::session::watch {

struct HttpRequest {
    std::string method;
    std::string path;  // the target without its query
    // Header names in lower case; a repeated header keeps its last value.
    std::map<std::string, std::string> headers;

    std::string Header(const std::string& lowerName) const;
};

// Why a head was refused, with the status line's code and the text the body carries.
struct HttpRefusal {
    int status = 400;
    std::string reason;
};

// Not all of the head has arrived yet (and what has is within the bound).
struct HttpIncomplete {};

using HttpParse = std::variant<HttpIncomplete, HttpRequest, HttpRefusal>;

// Reads `bytes` (what the connection has sent so far) as a request head of at most `maxBytes`
// up to and including its blank line, with at most `maxHeaders` header lines.
HttpParse ParseRequestHead(std::string_view bytes, std::size_t maxBytes, std::size_t maxHeaders);

// Whether the WebSocket upgrade comes from a page of this server: without an Origin (not a
// browser page at all) or with one naming the Host the request was sent to.
bool OriginMatchesHost(const HttpRequest& request);

}  // namespace quorvex::session::watch

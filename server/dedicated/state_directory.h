#pragma once

// Where the dedicated server keeps what must outlive it (the bans): `--state-dir`, else the
// service manager's state directory; empty for neither. A server started by hand without
// `--state-dir` keeps its bans for its own life only, as it always has: several such servers
// on one machine (tests, a second game) must not refuse each other's banned players.

#include <optional>
#include <string>

namespace quorvex::server {

std::string StateDirectory(const std::string& chosen);

// The bans file's text; none when there is no file yet. A file that cannot be read is told in
// `error`.
std::optional<std::string> ReadStateFile(const std::string& path, std::string* error);
// Written whole or not at all (a new file renamed over the old), so a crash never leaves half.
bool WriteStateFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace quorvex::server

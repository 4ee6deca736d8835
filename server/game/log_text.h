#pragma once

// Texts for the server's log. Names and chat come from players and may hold anything: what
// could break a line, move the cursor or turn the text around on the operator's terminal is
// written as an escape, so that one event stays one readable line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::server {

// The most a list in one log line shows before it says how many more there are.
inline constexpr std::size_t kScreenLineChars = 120;

// `text` with every control character (C0, DEL and C1), every bidirectional override, isolate
// and mark, the line and paragraph separators, and every byte that is not part of well-formed
// UTF-8 escaped: bytes as \xNN, characters as \uNNNN. Everything else passes unchanged.
std::string LogSafe(std::string_view text);
// `text` in double quotes, escaped as LogSafe does and with quotes and backslashes as \" and \\.
std::string LogQuoted(std::string_view text);
// `102 "Ann"`: how the log names a player.
std::string LogPlayer(const std::string& id, std::string_view name);
// `head`, then the items joined by `separator` as far as they fit in kScreenLineChars (the
// first always), then "..., and N more" for the rest.
std::string ListWithinLine(std::string head, const std::vector<std::string>& items,
                           std::string_view separator);

}  // namespace quorvex::server

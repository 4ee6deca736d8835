#include "server/game/limit_text.h"

#include <algorithm>

namespace quorvex::server {

bool ValidLimitText(std::string_view text) {
    return (text.size() == 1 || text.size() == 2) &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace quorvex::server

#include "client/state/chat_log.h"

#include "client/state/client_texts.h"
#include "protocol/utf8.h"

namespace quorvex::client {

void ChatLog::AddChatLine(std::string_view line) {
    characters_ += AppendUtf8(text_, line);
    text_.append("\r\n");
    characters_ += 2;
    if (characters_ > kMaxCharacters) {
        text_.clear();
        characters_ = 0;
    }
}

void ChatLog::AppendExitNotice() {
    text_.push_back('\n');
    text_.append(kExitNotice);
    characters_ += 1 + kExitNotice.size();
}

}  // namespace quorvex::client

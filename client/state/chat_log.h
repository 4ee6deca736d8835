#pragma once

// The chat log (txtChat): lines from the server and the session notices, bounded in length.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex::client {

class ChatLog {
  public:
    // A log that grows past this many characters (Unicode code points) is emptied whole.
    static constexpr std::size_t kMaxCharacters = 30000;

    // Appends the line and a CR LF. When that takes the log past kMaxCharacters the whole log
    // empties, the new line included. Bytes that are not valid UTF-8 become U+FFFD each, so the
    // text is always valid UTF-8 and its character count is what a view shows.
    void AddChatLine(std::string_view line);

    // The farewell shown while the program closes: a line feed and the notice, no CR, no
    // trailing line break, no length check.
    void AppendExitNotice();

    const std::string& Text() const { return text_; }
    std::size_t Characters() const { return characters_; }

  private:
    std::string text_;
    std::size_t characters_ = 0;
};

}  // namespace quorvex::client

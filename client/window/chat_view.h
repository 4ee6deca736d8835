#pragma once

// Shows the chat log in txtChat. The log only ever grows by whole lines or empties, so the
// view appends what is new instead of setting its whole text again on every line.

#include <string>

class QPlainTextEdit;

namespace quorvex::client {

class ChatView {
  public:
    explicit ChatView(QPlainTextEdit& box) : box_(box) {}

    // Brings the box to `text` (valid UTF-8): appends when `text` extends what it shows,
    // otherwise replaces it all. Either way the end of the log stays in view.
    void Show(const std::string& text);

  private:
    QPlainTextEdit& box_;
    std::string shown_;
};

}  // namespace quorvex::client

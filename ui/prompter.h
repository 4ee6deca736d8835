#pragma once

// Modal questions and message boxes go through this seam, so tests can answer them and the
// programs' rules never touch a dialog themselves.

#include <optional>
#include <string>

namespace quorvex {

class Prompter {
  public:
    virtual ~Prompter() = default;
    // A modal input box. Empty when the user cancelled it.
    virtual std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                               const std::string& defaultAnswer) = 0;
    // A modal box with a critical-error icon and an OK button.
    virtual void ShowCritical(const std::string& title, const std::string& text) = 0;
    // A modal box with an OK button and the program's default title.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace quorvex

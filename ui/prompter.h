#pragma once

// Modal questions and message boxes go through this seam, so tests can answer them and the
// programs' rules never touch a dialog themselves.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvex {

// Answers a prompt can offer under its box while it is open: picking one puts its value in
// the box. The list may change for as long as the prompt is open.
struct Choice {
    std::string text;   // what the list shows
    std::string value;  // what picking it puts in the box
    // Where `value` is reached, when not on the port the program would use; 0 for that one.
    std::uint16_t port = 0;
    bool operator==(const Choice&) const = default;
};

// What a prompt with choices gave: the box's text, and the port of the choice picked last when
// the box still holds that choice's value (0 for an answer typed or changed since).
struct ChoiceAnswer {
    std::string text;
    std::uint16_t port = 0;
    bool operator==(const ChoiceAnswer&) const = default;
};

class ChoiceSource {
  public:
    virtual ~ChoiceSource() = default;
    // Starts looking; `changed` runs on the event loop whenever Choices() or EmptyText() may
    // read differently.
    virtual void Open(std::function<void()> changed) = 0;
    virtual void Close() = 0;
    virtual std::vector<Choice> Choices() const = 0;
    // The line shown while there is nothing to pick, saying why that may be.
    virtual std::string EmptyText() const = 0;
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    // A modal input box. Empty when the user cancelled it.
    virtual std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                               const std::string& defaultAnswer) = 0;
    // The same input box with a live list of `choices` under it. Without a list of its own
    // the prompter asks as AskText does.
    virtual std::optional<ChoiceAnswer> AskTextWithChoices(const std::string& prompt,
                                                           const std::string& title,
                                                           const std::string& defaultAnswer,
                                                           ChoiceSource& /*choices*/) {
        const auto text = AskText(prompt, title, defaultAnswer);
        return text ? std::optional(ChoiceAnswer{*text}) : std::nullopt;
    }
    // A modal box with a critical-error icon and an OK button.
    virtual void ShowCritical(const std::string& title, const std::string& text) = 0;
    // A modal box with an OK button and the program's default title.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace quorvex

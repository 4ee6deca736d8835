#pragma once

// Answers the programs' input boxes from a script and records every box they show.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/prompter.h"

namespace quorvex::test {

class ScriptedPrompter : public Prompter {
  public:
    // Each answer is used once, in order; nullopt stands for a cancelled box. When the script
    // runs out, every further box is cancelled.
    explicit ScriptedPrompter(std::deque<std::optional<std::string>> answers = {})
        : answers_(std::move(answers)) {}

    std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                       const std::string& defaultAnswer) override {
        asked.push_back({prompt, title, defaultAnswer});
        if (answers_.empty()) {
            return std::nullopt;
        }
        auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    // A box with choices answers as a plain one, with `choicePort` as the picked choice's port.
    std::optional<ChoiceAnswer> AskTextWithChoices(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& defaultAnswer,
                                                   ChoiceSource& /*choices*/) override {
        const auto text = AskText(prompt, title, defaultAnswer);
        return text ? std::optional(ChoiceAnswer{*text, choicePort}) : std::nullopt;
    }
    void ShowCritical(const std::string& title, const std::string& text) override {
        criticals.push_back({title, text});
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    struct Question {
        std::string prompt, title, defaultAnswer;
    };
    struct Box {
        std::string title, text;
    };
    std::uint16_t choicePort = 0;
    std::vector<Question> asked;
    std::vector<Box> criticals;
    std::vector<std::string> messages;

  private:
    std::deque<std::optional<std::string>> answers_;
};

}  // namespace quorvex::test

#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "ui/prompter.h"

namespace quorvex {

// Answers every question with a text given in advance (from the command line) instead of
// asking; message boxes still go to `inner`.
class AnsweringPrompter : public Prompter {
  public:
    AnsweringPrompter(Prompter& inner, std::string answer)
        : inner_(inner), answer_(std::move(answer)) {}

    std::optional<std::string> AskText(const std::string& /*prompt*/, const std::string& /*title*/,
                                       const std::string& /*defaultAnswer*/) override {
        return answer_;
    }
    void ShowCritical(const std::string& title, const std::string& text) override {
        inner_.ShowCritical(title, text);
    }
    void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }

  private:
    Prompter& inner_;
    std::string answer_;
};

// For programs without a window (benchmarks' servers): boxes become lines on standard error,
// and a question gets no answer.
class StandardErrorPrompter : public Prompter {
  public:
    std::optional<std::string> AskText(const std::string& /*prompt*/, const std::string& /*title*/,
                                       const std::string& /*defaultAnswer*/) override {
        return std::nullopt;
    }
    void ShowCritical(const std::string& /*title*/, const std::string& text) override {
        ShowMessage(text);
    }
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

}  // namespace quorvex

#pragma once

#include <cstdio>
#include <string>

#include "ui/prompter.h"

namespace quorvex {

// For programs without a window (a benchmark's client): boxes become lines on standard error,
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

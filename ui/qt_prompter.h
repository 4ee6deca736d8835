#pragma once

#include "ui/prompter.h"

class QWidget;

namespace quorvex {

// The real dialogs: QInputDialog and QMessageBox, modal over `parent`.
class QtPrompter : public Prompter {
  public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                       const std::string& defaultAnswer) override;
    std::optional<ChoiceAnswer> AskTextWithChoices(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& defaultAnswer,
                                                   ChoiceSource& choices) override;
    void ShowCritical(const std::string& title, const std::string& text) override;
    void ShowMessage(const std::string& text) override;

  private:
    QWidget* parent_;
};

}  // namespace quorvex

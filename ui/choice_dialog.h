#pragma once

// An input box like QInputDialog's, with a live list of choices under the text box. Picking a
// choice puts its value in the box; Enter or OK accepts the box's text as typed. The list is
// updated row by row as the choices change, so the pick and the scroll position stay put.

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "ui/prompter.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace quorvex {

class ChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    ChoiceDialog(const std::string& prompt, const std::string& title,
                 const std::string& defaultAnswer, ChoiceSource& choices,
                 QWidget* parent = nullptr);
    ~ChoiceDialog() override;

    ChoiceAnswer Answer() const;

  private:
    void ShowChoices();
    void Pick(int row);

    ChoiceSource& choices_;
    std::vector<Choice> shown_;
    std::optional<Choice> picked_;
    QLineEdit* answer_;
    QListWidget* list_;
    QLabel* emptyText_;
};

}  // namespace quorvex

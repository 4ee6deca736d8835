#include "ui/qt_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "ui/choice_dialog.h"

namespace quorvex {

std::optional<std::string> QtPrompter::AskText(const std::string& prompt, const std::string& title,
                                               const std::string& defaultAnswer) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(parent_, QString::fromStdString(title),
                                                 QString::fromStdString(prompt), QLineEdit::Normal,
                                                 QString::fromStdString(defaultAnswer), &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return answer.toStdString();
}

std::optional<ChoiceAnswer> QtPrompter::AskTextWithChoices(const std::string& prompt,
                                                           const std::string& title,
                                                           const std::string& defaultAnswer,
                                                           ChoiceSource& choices) {
    ChoiceDialog dialog(prompt, title, defaultAnswer, choices, parent_);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Answer();
}

void QtPrompter::ShowCritical(const std::string& title, const std::string& text) {
    QMessageBox::critical(parent_, QString::fromStdString(title), QString::fromStdString(text));
}

void QtPrompter::ShowMessage(const std::string& text) {
    QMessageBox::information(parent_, QApplication::applicationName(),
                             QString::fromStdString(text));
}

}  // namespace quorvex

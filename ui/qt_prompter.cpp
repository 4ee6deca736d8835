#include "ui/qt_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

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

void QtPrompter::ShowCritical(const std::string& title, const std::string& text) {
    QMessageBox::critical(parent_, QString::fromStdString(title), QString::fromStdString(text));
}

void QtPrompter::ShowMessage(const std::string& text) {
    QMessageBox::information(parent_, QApplication::applicationName(),
                             QString::fromStdString(text));
}

}  // namespace quorvex

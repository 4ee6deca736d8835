#include "ui/choice_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/control_names.h"

namespace quorvex {

ChoiceDialog::ChoiceDialog(const std::string& prompt, const std::string& title,
                           const std::string& defaultAnswer, ChoiceSource& choices, QWidget* parent)
    : QDialog(parent), choices_(choices) {
    setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromStdString(prompt), this);
    answer_ = new QLineEdit(QString::fromStdString(defaultAnswer), this);
    answer_->selectAll();
    label->setBuddy(answer_);
    list_ = new QListWidget(this);
    list_->setMinimumWidth(560);
    list_->setMaximumHeight(160);
    emptyText_ = new QLabel(this);
    emptyText_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{label, answer_, list_, emptyText_, buttons}) {
        layout->addWidget(widget);
    }
    NameControls({{answer_, "answer"}, {list_, "choices"}, {emptyText_, "choicesEmptyText"}});
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, &ChoiceDialog::Pick);
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Pick(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this, [this] { accept(); });
    answer_->setFocus();
    // The source may call back after the dialog is gone if it outlives it; the guard says so.
    QPointer<ChoiceDialog> self(this);
    choices_.Open([self] {
        if (self) {
            self->ShowChoices();
        }
    });
    ShowChoices();
}

ChoiceDialog::~ChoiceDialog() {
    choices_.Close();
}

std::string ChoiceDialog::Answer() const {
    return answer_->text().toStdString();
}

void ChoiceDialog::Pick(int row) {
    if (row >= 0 && row < static_cast<int>(shown_.size())) {
        answer_->setText(QString::fromStdString(shown_[static_cast<std::size_t>(row)].value));
    }
}

void ChoiceDialog::ShowChoices() {
    std::vector<Choice> now = choices_.Choices();
    emptyText_->setText(QString::fromStdString(choices_.EmptyText()));
    emptyText_->setVisible(now.empty());
    if (now == shown_) {
        return;
    }
    // The pick stays on its server when others come or go, and putting it back must not
    // overwrite what the person has typed since.
    const int row = list_->currentRow();
    const std::string picked = row >= 0 && row < static_cast<int>(shown_.size())
                                   ? shown_[static_cast<std::size_t>(row)].value
                                   : std::string();
    shown_ = std::move(now);
    const QSignalBlocker block(list_);
    list_->clear();
    for (const Choice& choice : shown_) {
        list_->addItem(QString::fromStdString(choice.text));
        list_->item(list_->count() - 1)->setToolTip(QString::fromStdString(choice.text));
        if (!picked.empty() && choice.value == picked) {
            list_->setCurrentRow(list_->count() - 1);
        }
    }
}

}  // namespace quorvex

#include "ui/choice_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
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

ChoiceAnswer ChoiceDialog::Answer() const {
    ChoiceAnswer answer{answer_->text().toStdString()};
    if (picked_ && picked_->value == answer.text) {
        answer.port = picked_->port;
    }
    return answer;
}

void ChoiceDialog::Pick(int row) {
    if (row >= 0 && row < static_cast<int>(shown_.size())) {
        picked_ = shown_[static_cast<std::size_t>(row)];
        answer_->setText(QString::fromStdString(picked_->value));
    }
}

void ChoiceDialog::ShowChoices() {
    std::vector<Choice> now = choices_.Choices();
    emptyText_->setText(QString::fromStdString(choices_.EmptyText()));
    emptyText_->setVisible(now.empty());
    if (now == shown_) {
        return;
    }
    shown_ = std::move(now);
    // Rows are rewritten in place rather than rebuilt: a cleared list would lose its scroll
    // position and its current row.
    const QSignalBlocker block(list_);
    for (std::size_t row = 0; row < shown_.size(); ++row) {
        const QString text = QString::fromStdString(shown_[row].text);
        if (static_cast<int>(row) == list_->count()) {
            list_->addItem(QString());
        }
        QListWidgetItem* item = list_->item(static_cast<int>(row));
        if (item->text() != text) {
            item->setText(text);
            item->setToolTip(text);
        }
    }
    while (list_->count() > static_cast<int>(shown_.size())) {
        delete list_->takeItem(list_->count() - 1);
    }
    // The pick stays on its server when others come or go, and putting it back must not
    // overwrite what the person has typed since.
    const auto same = std::find_if(shown_.begin(), shown_.end(), [this](const Choice& c) {
        return picked_ && c.value == picked_->value && c.port == picked_->port;
    });
    // Moving the current row would scroll it into view: the view stays where the person put it.
    const int scrolled = list_->verticalScrollBar()->value();
    list_->setCurrentRow(same == shown_.end() ? -1 : static_cast<int>(same - shown_.begin()));
    list_->verticalScrollBar()->setValue(scrolled);
}

}  // namespace quorvex

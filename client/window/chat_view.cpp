#include "client/window/chat_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <string_view>

namespace quorvex::client {

void ChatView::Show(const std::string& text) {
    if (text == shown_) {
        return;
    }
    const bool extends = text.size() > shown_.size() && std::string_view(text).starts_with(shown_);
    if (extends) {
        QTextCursor end(box_.document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdString(text.substr(shown_.size())));
    } else {
        box_.setPlainText(QString::fromStdString(text));
    }
    shown_ = text;
    box_.moveCursor(QTextCursor::End);
    box_.verticalScrollBar()->setValue(box_.verticalScrollBar()->maximum());
}

}  // namespace quorvex::client

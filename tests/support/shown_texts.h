#pragma once

// Texts read from the widgets themselves: every text a window shows in its labels, frame
// headings and buttons, sorted so that a table of them does not depend on the layout; and the
// rows of a list.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

namespace quorvex::test {

inline std::vector<std::string> ShownTexts(const QWidget& window) {
    std::vector<std::string> texts;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            texts.push_back(label->text().toStdString());
        } else if (const auto* frame = qobject_cast<const QGroupBox*>(w)) {
            texts.push_back(frame->title().toStdString());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            texts.push_back(button->text().toStdString());
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The texts of a list's rows, top to bottom.
inline std::vector<std::string> Rows(const QListWidget* box) {
    std::vector<std::string> rows;
    for (int i = 0; i < box->count(); ++i)
        rows.push_back(box->item(i)->text().toStdString());
    return rows;
}

inline std::vector<std::string> Sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

}  // namespace quorvex::test

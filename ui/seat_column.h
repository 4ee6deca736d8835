#pragma once

#include <QListWidget>
#include <QSignalBlocker>

#include <string>
#include <vector>

namespace quorvex {

// Shows one column of a seat table in its list box, touching the box only when its rows
// differ, so that a selection survives the many refreshes that change nothing.
template <class Row>
void ShowColumn(QListWidget* box, const std::vector<Row>& seats, std::string Row::*column) {
    bool same = box->count() == static_cast<int>(seats.size());
    for (int i = 0; same && i < box->count(); ++i) {
        same = box->item(i)->text().toStdString() == seats[static_cast<std::size_t>(i)].*column;
    }
    if (same) {
        return;
    }
    // The selection follows its text, not its row number: when a row above it goes, the
    // operator's pick must not slide onto the next player (and a kick remove the wrong one).
    // A selected text that is gone leaves nothing selected.
    const int selected = box->currentRow();
    const QString selectedText = selected >= 0 ? box->item(selected)->text() : QString();
    QSignalBlocker block(box);
    box->clear();
    for (const auto& row : seats) {
        box->addItem(QString::fromStdString(row.*column));
    }
    if (selected < 0) {
        return;
    }
    int keep = -1;
    if (selected < box->count() && box->item(selected)->text() == selectedText) {
        keep = selected;
    } else {
        const auto found = box->findItems(selectedText, Qt::MatchExactly | Qt::MatchCaseSensitive);
        keep = found.isEmpty() ? -1 : box->row(found.front());
    }
    box->setCurrentRow(keep);
}

}  // namespace quorvex
